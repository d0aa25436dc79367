// The threading rule (README, "Cores and threads"), checked: work spread over several cores
// gives exactly what one core gives (the same pixels of every page, the same files and bytes
// from a split and a composition, the same progress and messages in the same order, a
// damaged page failing with the same reason), and at most N threads are ever at work.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "imaging/gdipobj.h"
#include "imaging/gdiputil.h"
#include "imaging/platform/codecs/adler_checksum.h"
#include "imaging/platform/parallel_bands.h"
#include "imaging/platform/workers.h"
#include "imaging/text_path.h"
#include "imaging/work_aside.h"
#include "split/page_lanes.h"
#include "split/page_listing.h"
#include "support/fixtures.h"
#include "support/job_runs.h"
#include "support/readback.h"

using namespace orvelle;
using fixtures::RecordingContext;
using fixtures::TempDir;
using fixtures::TiffKind;

namespace {

constexpr tstrip_t kLastStrip = UINT32_MAX;

// One worker, two (as on CI's machines), and more than a batch of work was first tried on.
constexpr uint32_t kWorkerCounts[] = {1, 2, 3, 4, 8};

// Overwrites strip `strip` (or the last) of page `page` with bytes no LZW stream can hold,
// or with a stream that ends after one byte.
void spoilStrip(const std::string& path, tdir_t page, tstrip_t strip, bool endEarly = false) {
    uint64_t offset = 0, bytes = 0;
    {
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        ASSERT_TRUE(tif && TIFFSetDirectory(tif, page));
        if (strip == kLastStrip) strip = TIFFNumberOfStrips(tif) - 1;
        offset = TIFFGetStrileOffset(tif, strip);
        bytes = TIFFGetStrileByteCount(tif, strip);
        TIFFClose(tif);
    }
    std::vector<uint8_t> file = fixtures::readBytes(path);
    std::fill(file.begin() + static_cast<long>(offset), file.begin() + static_cast<long>(offset + bytes), 0xFF);
    // Clear, 'A', end: nine bits each, most significant first.
    const uint8_t shortStream[] = {0x80, 0x10, 0x60, 0x20};
    if (endEarly) std::copy(std::begin(shortStream), std::end(shortStream), file.begin() + static_cast<long>(offset));
    fixtures::writeBytes(path, file);
}

// Sets the number of threads at work at once for the test's duration.
class Workers {
public:
    explicit Workers(uint32_t count) { ImagingSession::setWorkers(count); }
    ~Workers() { ImagingSession::setWorkers(0); }
};

// Every page large enough to be read in bands, in each layout the strip reader handles, and a
// page whose last strip is garbage.
class ParallelTest : public testing::Test {
protected:
    void SetUp() override {
        fixtures::writeTiff(source, {{TiffKind::Bilevel, 2000, 1100, COMPRESSION_CCITTFAX4},
                                     {TiffKind::Grey8, 600, 500, COMPRESSION_LZW},
                                     {TiffKind::Palette8, 640, 480, COMPRESSION_ADOBE_DEFLATE},
                                     {TiffKind::Rgb, 700, 500, COMPRESSION_LZW},
                                     {TiffKind::Rgb, 480, 320, COMPRESSION_JPEG},
                                     {TiffKind::Rgba, 320, 300, COMPRESSION_NONE},
                                     {TiffKind::Grey4, 1200, 900, COMPRESSION_PACKBITS},
                                     {TiffKind::Rgb, 640, 400, COMPRESSION_LZW}});
        spoilLastStrip(7);
    }

    void spoilLastStrip(tdir_t page) { spoilStrip(source, page, kLastStrip); }

    // A page's pixels, or why it could not be decoded: the reason travels with the image from
    // whichever thread read the page.
    struct DecodedPage {
        std::vector<uint32_t> pixels;
        std::string failure;
        bool operator==(const DecodedPage&) const = default;
        bool empty() const { return pixels.empty(); }
    };

    std::vector<DecodedPage> decodeEveryPage(std::vector<uint32_t> order = {}) {
        TGPImage image(widenPath(source), false);
        GUID dimension{};
        EXPECT_EQ(image.ListFrameDimensions(&dimension, 1), Ok);
        if (order.empty())
            for (uint32_t k = 0; k < image.CountFrames(&dimension); ++k) order.push_back(k);
        std::vector<DecodedPage> pages;
        for (uint32_t k : order) {
            DecodedPage& page = pages.emplace_back();
            std::vector<uint32_t>& pixels = page.pixels;
            if (image.ActivateFrame(&dimension, k) != Ok) {
                page.failure = image.failureReason();
                continue;
            }
            for (uint32_t y = 0; y < image.PixelHeight(); ++y)
                for (uint32_t x = 0; x < image.PixelWidth(); ++x) {
                    gdip::ARGB colour = 0;
                    (void)gdip::GdipBitmapGetPixel(image.NativeHandle, static_cast<int>(x), static_cast<int>(y), &colour);
                    pixels.push_back(colour);
                }
        }
        return pages;
    }

    // Name and bytes of every file in `folder`, in name order.
    static std::map<std::string, std::vector<uint8_t>> filesIn(const std::string& folder) {
        std::map<std::string, std::vector<uint8_t>> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            files[entry.path().filename().string()] = fixtures::readBytes(entry.path().string());
        return files;
    }

    TempDir dir;
    std::string source = dir.file("mixed.tif");
};

TEST_F(ParallelTest, EveryPageDecodesAlike) {
    std::vector<DecodedPage> oneCore, twoCores, fourCores;
    {
        Workers one(1);
        oneCore = decodeEveryPage();
    }
    {
        Workers two(2);
        twoCores = decodeEveryPage();
    }
    {
        Workers four(4);
        fourCores = decodeEveryPage();
    }
    ASSERT_EQ(oneCore.size(), 8u);
    for (size_t k = 0; k + 1 < oneCore.size(); ++k) EXPECT_FALSE(oneCore[k].empty()) << "page " << k + 1;
    EXPECT_TRUE(oneCore[7].empty()) << "the spoiled page fails";
    EXPECT_FALSE(oneCore[7].failure.empty()) << "and says why";
    for (size_t k = 0; k < oneCore.size(); ++k) {
        EXPECT_TRUE(twoCores[k] == oneCore[k]) << "page " << k + 1 << " on two cores";
        EXPECT_TRUE(fourCores[k] == oneCore[k]) << "page " << k + 1 << " on four cores";
    }
}

// Pages are read ahead only while they are asked for one after another; any other order
// still gets the page asked for.
TEST_F(ParallelTest, PagesInAnyOrder) {
    const std::vector<uint32_t> order{0, 1, 2, 6, 1, 2, 3, 7, 6, 0};
    std::vector<DecodedPage> oneCore, twoCores;
    {
        Workers one(1);
        oneCore = decodeEveryPage(order);
    }
    {
        Workers two(2);
        twoCores = decodeEveryPage(order);
    }
    ASSERT_EQ(twoCores.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i) EXPECT_TRUE(twoCores[i] == oneCore[i]) << "read " << i;
    EXPECT_TRUE(twoCores[7].empty());
}

TEST_F(ParallelTest, JobsWriteTheSameFilesAndSayTheSame) {
    constexpr size_t kRuns = std::size(kWorkerCounts);
    std::map<std::string, std::vector<uint8_t>> split[kRuns];
    std::vector<uint8_t> merged[kRuns], pdf[kRuns];
    std::vector<std::string> events[kRuns];
    for (size_t run = 0; run < kRuns; ++run) {
        Workers workers(kWorkerCounts[run]);
        const std::string folder = dir.file("split" + std::to_string(run));
        std::filesystem::create_directory(folder);
        RecordingContext rec;
        fixtures::exportAll(source, folder, ExportFormat::Png, rec);
        fixtures::compose({source, source}, dir.file("merged" + std::to_string(run) + ".tif"), true, rec);
        JobContext context = rec.context();
        ComposeRequest request{{source}, dir.file("merged" + std::to_string(run) + ".pdf"), true};
        request.pdf = true;
        ::setenv("SOURCE_DATE_EPOCH", "0", 1);
        (void)ComposeTiff(request, context);
        ::unsetenv("SOURCE_DATE_EPOCH");
        pdf[run] = fixtures::readBytes(request.outputPath);
        split[run] = filesIn(folder);
        merged[run] = fixtures::readBytes(dir.file("merged" + std::to_string(run) + ".tif"));
        events[run] = rec.events;
    }
    EXPECT_EQ(split[0].size(), 7u);
    for (size_t run = 1; run < kRuns; ++run) {
        EXPECT_TRUE(split[run] == split[0]) << kWorkerCounts[run] << " workers";
        EXPECT_TRUE(merged[run] == merged[0]) << kWorkerCounts[run] << " workers";
        EXPECT_TRUE(pdf[run] == pdf[0]) << kWorkerCounts[run] << " workers";
        EXPECT_EQ(events[run], events[0]);
    }
    EXPECT_FALSE(merged[0].empty());
    EXPECT_FALSE(pdf[0].empty());
}

// Whether a page is written with the predictor is tried on its first strips: a page whose
// top is noise and the rest smooth is written the same on any number of workers, also when
// a batch of strips holds more than the trial did (three workers and more).
TEST(ParallelCompression, PredictorChosenAlikeOnAnyCores) {
    TempDir dir;
    fixtures::Picture picture{900, 1800, 3, {}};
    picture.samples.resize(size_t{picture.width} * picture.height * 3);
    uint32_t noise = 12345;
    for (uint32_t y = 0; y < picture.height; ++y)
        for (uint32_t x = 0; x < picture.width; ++x)
            for (int c = 0; c < 3; ++c) {
                noise = noise * 1103515245u + 12345u;
                picture.at(x, y)[c] = y < 400 ? static_cast<uint8_t>(noise >> 24) : static_cast<uint8_t>(x / 5 + y / 7 + c);
            }
    const std::string source = dir.file("half.png");
    fixtures::writePng(source, picture);
    for (const TiffPageCompression compression : {TiffPageCompression::Auto, TiffPageCompression::Deflate}) {
        std::vector<uint8_t> first;
        for (const uint32_t count : kWorkerCounts) {
            Workers workers(count);
            const std::string output = dir.file("out" + std::to_string(count) + ".tif");
            RecordingContext rec;
            JobContext context = rec.context();
            ComposeRequest request{{source}, output, false};
            request.compression = compression;
            ASSERT_TRUE(ComposeTiff(request, context).written) << count;
            const std::vector<uint8_t> written = fixtures::readBytes(output);
            if (first.empty()) {
                first = written;
                const std::vector<fixtures::TiffPageInfo> pages = fixtures::readTiffPages(output);
                ASSERT_EQ(pages.size(), 1u);
                EXPECT_EQ(pages[0].argb, fixtures::readPng(source).argb);
            }
            EXPECT_TRUE(written == first) << count << " workers";
        }
    }
}

// ORVELLE_WORKERS when it is a whole number from 1 up (at most 64), else the cores the
// process may run on.
TEST(WorkerPool, HowManyWorkers) {
    struct Case {
        const char* asked;
        uint32_t cores;
        uint32_t workers;
    };
    for (const Case& c : {Case{"2", 8, 2}, Case{"1", 8, 1}, Case{"64", 2, 64}, Case{"65", 2, 64},
                          Case{"99999999999999999999", 2, 64}, Case{"0", 6, 6}, Case{"", 6, 6}, Case{nullptr, 6, 6},
                          Case{"4x", 6, 6}, Case{"-2", 6, 6}, Case{" 3", 6, 6}, Case{nullptr, 0, 1},
                          Case{nullptr, 200, 64}})
        EXPECT_EQ(gdip::workerCountFor(c.asked, c.cores), c.workers) << (c.asked ? c.asked : "(unset)") << " " << c.cores;
    // Narrowed to one core, as taskset does, the process counts one.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(0, &one);
        _exit(sched_setaffinity(0, sizeof one, &one) == 0 && gdip::coresAllowed() == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_GE(gdip::coresAllowed(), 1u);
}

// However work nests (bands inside bands inside lanes), at most N threads are at it, the
// caller's included; with more than one allowed, work does run side by side.
TEST(WorkerPool, NestedWorkNeverHasMoreThanNBusy) {
    for (uint32_t n : {1u, 2u, 4u}) {
        Workers workers(n);
        std::mutex mutex;
        std::condition_variable met;
        int busy = 0, peak = 0, units = 0;
        auto unit = [&](size_t) {
            std::unique_lock lock(mutex);
            peak = std::max(peak, ++busy);
            met.notify_all();
            // With more than one thread allowed, a unit waits for another to be at work
            // beside it, which the pool brings at once; the bound only ends a broken run.
            if (n > 1) met.wait_for(lock, std::chrono::seconds(2), [&] { return peak >= 2; });
            --busy;
            ++units;
            return gdip::Ok;
        };
        auto lane = [&] {
            (void)gdip::runBands(3, [&](size_t) { return gdip::runBands(3, unit); });
        };
        std::vector<std::future<void>> lanes;
        {
            gdip::GpWaitOnExit<std::vector<std::future<void>>> wait{lanes};
            for (int i = 0; i < 3; ++i) lanes.push_back(gdip::GdipStartAside(true, lane));
            lane();
            for (auto& work : lanes) work.get();
        }
        EXPECT_EQ(units, 4 * 3 * 3) << n << " workers";
        EXPECT_LE(peak, static_cast<int>(n)) << n << " workers";
        if (n > 1) {
            EXPECT_GE(peak, 2) << n << " workers";
        }
    }
}

// Items made on whichever thread is free are taken on the caller's, in order, with never more
// than the window made and not yet taken; the first failure in item order ends the run (a
// make that runs out of memory fails with OutOfMemory), and nothing is left making then.
TEST(WorkerPool, ItemsMadeAnywhereAreTakenInOrder) {
    constexpr size_t kItems = 120, kAhead = 5;
    for (uint32_t n : kWorkerCounts) {
        Workers workers(n);
        std::mutex mutex;
        std::vector<size_t> slots(kAhead, SIZE_MAX), taken;
        int held = 0, mostHeld = 0;
        std::atomic<int> making{0};
        const std::thread::id caller = std::this_thread::get_id();
        bool takenElsewhere = false;
        const auto make = [&](size_t slot, size_t i) {
            ++making;
            {
                std::lock_guard lock(mutex);
                mostHeld = std::max(mostHeld, ++held);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(i * 37 % 400));
            slots[slot] = i;
            --making;
            if (i == 57) throw std::bad_alloc();
            return i == 90 ? gdip::GenericError : gdip::Ok;
        };
        const auto take = [&](size_t slot, size_t i) {
            takenElsewhere = takenElsewhere || std::this_thread::get_id() != caller;
            EXPECT_EQ(slots[slot], i);
            taken.push_back(i);
            std::lock_guard lock(mutex);
            --held;
            return gdip::Ok;
        };
        EXPECT_EQ(gdip::runInOrder(50, kAhead, make, take), gdip::Ok) << n;
        EXPECT_EQ(taken.size(), 50u) << n;
        for (size_t i = 0; i < taken.size(); ++i) EXPECT_EQ(taken[i], i) << n;
        EXPECT_LE(mostHeld, static_cast<int>(kAhead)) << n;
        EXPECT_FALSE(takenElsewhere) << n;
        taken.clear();
        held = 0;
        EXPECT_EQ(gdip::runInOrder(kItems, kAhead, make, take), gdip::OutOfMemory) << n;
        EXPECT_EQ(taken.size(), 57u) << n;
        EXPECT_EQ(making.load(), 0) << n;
    }
}

// The page list: the same tiles, captions, progress and events on one core and several,
// the damaged page included.
TEST_F(ParallelTest, PageListingTheSameOnAnyCores) {
    struct Entries : PageListSink {
        BitmapTileTarget* target = nullptr;
        std::vector<std::string> captions;
        std::vector<std::vector<uint32_t>> tiles;
        void addPage(const std::string& caption) override {
            captions.push_back(caption);
            std::vector<uint32_t>& pixels = tiles.emplace_back();
            if (TGPBitmap* tile = target->bitmap())
                for (uint32_t y = 0; y < static_cast<uint32_t>(kTileEdge); ++y)
                    for (uint32_t x = 0; x < static_cast<uint32_t>(kTileEdge); ++x) pixels.push_back(fixtures::pixel(*tile, x, y));
        }
    };
    Entries runs[3];
    std::vector<std::string> events[3];
    for (uint32_t run = 0; run < 3; ++run) {
        Workers workers(run == 2 ? 4 : run + 1);
        BitmapTileTarget target;
        runs[run].target = &target;
        RecordingContext rec;
        JobContext context = rec.context();
        const PageListing listing = listTiffPages(source, target, runs[run], context);
        EXPECT_EQ(listing.pages, 8u);
        EXPECT_EQ(listing.failedPages, 1u);
        events[run] = rec.events;
    }
    for (int run = 1; run < 3; ++run) {
        EXPECT_EQ(runs[run].captions, runs[0].captions) << run;
        EXPECT_TRUE(runs[run].tiles == runs[0].tiles) << run;
        EXPECT_EQ(events[run], events[0]) << run;
    }
}

// The checksum that ends each PNG's image data, sixteen bytes at a time: zlib's value for
// every length around the blocks it is summed in, at any alignment, from any start, and for
// bytes all 255 (the largest sums).
// A page that takes long holds up only its own lane: the other lane goes on to the pages
// after it (page 1 waits until page 2 is done, which a lane bound to every other page could
// never see), results still come in page order, each page runs once, and a page's failure
// reaches the caller in its turn, after the pages before it were handed on.
TEST(PageLanes, AFreeLaneTakesTheNextPageWhileASlowOneRuns) {
    TempDir dir;
    const std::string path = dir.file("pages.tif");
    fixtures::writeTiff(path, std::vector<fixtures::TiffPage>(6, {TiffKind::Grey8, 20, 20, COMPRESSION_NONE}));
    for (const bool failing : {false, true}) {
        Workers two(2);
        std::promise<void> thirdDone;
        std::shared_future<void> third = thirdDone.get_future().share();
        std::atomic<bool> waitedForTheThird{false};
        std::atomic<int> runs{0};
        std::vector<size_t> handedOn;
        const auto start = [&](size_t i) {
            return [&, i](TGPImage&) {
                ++runs;
                if (i == 0) waitedForTheThird = third.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
                if (i == 2) thirdDone.set_value();
                if (failing && i == 3) throw std::runtime_error("page 4");
                return i;
            };
        };
        const auto run = [&] {
            return runInPageLanes(std::make_unique<TGPImage>(widenPath(path), TGPImage::Deferred{}), path, 6, start,
                                  [&](size_t i) { handedOn.push_back(i); }, [](size_t) { return false; });
        };
        if (failing) {
            EXPECT_THROW(run(), std::runtime_error);
            EXPECT_EQ(handedOn, (std::vector<size_t>{0, 1, 2}));
        } else {
            EXPECT_FALSE(run());
            EXPECT_EQ(handedOn, (std::vector<size_t>{0, 1, 2, 3, 4, 5}));
            EXPECT_EQ(runs, 6);
        }
        EXPECT_TRUE(waitedForTheThird) << (failing ? "failing" : "clean");
    }
}

TEST(PngBands, AdlerChecksumIsZlibs) {
    std::vector<uint8_t> bytes(200000);
    uint32_t seed = 1;
    for (uint8_t& b : bytes) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    for (const size_t length : {0, 1, 15, 16, 17, 5551, 5552, 5553, 11104, 65536, 199990})
        for (const size_t offset : {0, 1, 7})
            for (const uint32_t start : {1u, 0xFFF0FFF0u, 0x12345678u})
                EXPECT_EQ(gdip::codecs::adlerChecksum(start, bytes.data() + offset, length),
                          adler32(start, bytes.data() + offset, static_cast<uInt>(length)))
                    << length << " bytes from " << offset;
    std::fill(bytes.begin(), bytes.end(), 255);
    EXPECT_EQ(gdip::codecs::adlerChecksum(1, bytes.data(), bytes.size()), adler32(1, bytes.data(), static_cast<uInt>(bytes.size())));
}

// Pictures of many bands, RGB and RGBA: the same bytes on one core and four, and every pixel
// as it was when read back by libpng.
TEST(PngBands, SameBytesOnAnyCoresAndExactPixels) {
    TempDir dir;
    for (const int channels : {3, 4}) {
        SCOPED_TRACE(channels);
        const fixtures::Picture picture = fixtures::gradient(1500, 700, channels);
        fixtures::writePng(dir.file("in.png"), picture, 300);
        std::vector<uint8_t> written[2];
        for (int run = 0; run < 2; ++run) {
            Workers workers(run == 0 ? 1 : 4);
            TGPImage image(widenPath(dir.file("in.png")), false);
            GUID png{};
            FindEncoderByMime("image/png", png);
            const std::string out = dir.file("out" + std::to_string(run) + ".png");
            ASSERT_EQ(image.SaveToFile(widenPath(out), &png, nullptr), Ok);
            written[run] = fixtures::readBytes(out);
        }
        EXPECT_TRUE(written[0] == written[1]);
        const fixtures::RgbaImage back = fixtures::readPng(dir.file("out0.png"));
        ASSERT_EQ(back.width, 1500u);
        ASSERT_EQ(back.height, 700u);
        EXPECT_NEAR(back.dpiX, 300, 0.1);
        for (uint32_t y = 0; y < 700; ++y)
            for (uint32_t x = 0; x < 1500; ++x) {
                const uint8_t* p = picture.at(x, y);
                const uint32_t alpha = channels == 4 ? p[3] : 255;
                const uint32_t expected = (alpha << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
                ASSERT_EQ(back.argb[size_t{y} * 1500 + x], expected) << x << "," << y;
            }
    }
}

// A page damaged in two places, one in each half: whichever core meets which strip, the
// page fails with the words libtiff gives for the first damaged strip, as on one core.
TEST(ParallelStrips, TheFirstDamagedStripIsTheOneNamed) {
    TempDir dir;
    const std::string first = dir.file("first.tif"), both = dir.file("both.tif"), last = dir.file("last.tif");
    for (const std::string& path : {first, both, last})
        fixtures::writeTiff(path, {{TiffKind::Rgb, 900, 700, COMPRESSION_LZW}});
    spoilStrip(first, 0, 3);
    spoilStrip(both, 0, 3);
    spoilStrip(both, 0, kLastStrip, true);
    spoilStrip(last, 0, kLastStrip, true);
    const auto failureOf = [](const std::string& path) {
        TGPImage image(widenPath(path), false);
        EXPECT_NE(image.LastStatus, Ok);
        return image.failureReason();
    };
    std::string expected;
    {
        Workers one(1);
        expected = failureOf(first);
    }
    EXPECT_FALSE(expected.empty());
    {
        Workers one(1);
        const std::string other = failureOf(last);
        EXPECT_NE(other, expected) << "the two faults read differently";
    }
    for (const uint32_t count : {1u, 2u, 4u}) {
        Workers workers(count);
        for (int run = 0; run < 3; ++run) EXPECT_EQ(failureOf(both), expected) << count << " workers";
    }
}

}  // namespace
