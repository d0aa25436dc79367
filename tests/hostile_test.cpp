// Tiny files that declare huge pictures, and every input the fuzzers found troublesome: each
// goes through the same workout as in the fuzz targets, in a process of its own, whose peak
// memory and time are measured. An address-space limit would not catch a 600 MB peak.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <functional>

#include "fuzz/decode_workout.h"
#include "imaging/text_path.h"
#include "support/fixtures.h"
#include "support/hand_made.h"

using fixtures::pngChunk;
using fixtures::TempDir;

namespace {

namespace fs = std::filesystem;

constexpr long kPeakLimitKiB = 600 * 1024;
// Not a speed test: a bound that only a runaway decode (a hang, a quadratic loop) passes.
constexpr double kRunawaySeconds = 20.0;

struct Outcome {
    bool exitedNormally = false;
    orvelle::fuzz::WorkoutResult workout;
    long peakKiB = 0;
    double seconds = 0;
};

// Runs the workout on `path` in a child process.
Outcome runIsolated(const std::string& path) {
    Outcome outcome;
    int channel[2];
    if (pipe(channel) != 0) return outcome;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const auto result = orvelle::fuzz::runDecodeWorkout(orvelle::widenPath(path).c_str());
        (void)!write(channel[1], &result, sizeof result);
        _exit(0);
    }
    close(channel[1]);
    const bool received =
        read(channel[0], &outcome.workout, sizeof outcome.workout) == sizeof outcome.workout;
    close(channel[0]);
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return outcome;
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.exitedNormally = received && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    outcome.peakKiB = usage.ru_maxrss;
    return outcome;
}

std::vector<uint8_t> gifScreenAroundOnePixel(uint16_t side) {
    // Header, logical screen with a 2-colour table, one 1 x 1 image, trailer.
    std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0x80, 0, 0,
                              0, 0, 0, 255, 255, 255,
                              0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0,
                              2, 2, 0x4C, 0x01, 0,
                              0x3B};
    b[6] = static_cast<uint8_t>(side), b[7] = static_cast<uint8_t>(side >> 8);
    b[8] = static_cast<uint8_t>(side), b[9] = static_cast<uint8_t>(side >> 8);
    return b;
}

// A real JPEG whose frame header is made to declare side x side and whose scan ends at once.
std::vector<uint8_t> jpegWithEmptyScan(const TempDir& dir, uint16_t side, int channels) {
    const std::string small = dir.file("small.jpg");
    fixtures::writeJpeg(small, fixtures::gradient(16, 16, channels));
    std::vector<uint8_t> b = fixtures::readBytes(small);
    for (size_t i = 2; i + 4 < b.size();) {
        const uint8_t marker = b[i + 1];
        const size_t length = (size_t{b[i + 2]} << 8) | b[i + 3];
        if (marker == 0xC0) {
            fixtures::putBe16(b, i + 5, side);
            fixtures::putBe16(b, i + 7, side);
        }
        if (marker == 0xDA) {
            b.resize(i + 2 + length);
            b.push_back(0xFF);
            b.push_back(0xD9);
            break;
        }
        i += 2 + length;
    }
    return b;
}

// A grey PNG of side x side with no image data at all.
std::vector<uint8_t> pngWithoutData(uint16_t side) {
    std::vector<uint8_t> header(13, 0);
    fixtures::putBe16(header, 2, side);
    fixtures::putBe16(header, 6, side);
    header[8] = 8;  // bit depth; colour type 0, grey
    std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const auto& chunk : {pngChunk("IHDR", header), pngChunk("IEND", {})})
        b.insert(b.end(), chunk.begin(), chunk.end());
    return b;
}

// A bilevel fax page of side x side whose one strip has no bytes, or lies past the file's end.
std::vector<uint8_t> tiffWithoutData(uint32_t side, uint32_t stripBytes, uint32_t stripOffset) {
    return fixtures::tiffWithEntries({{256, 4, side}, {257, 4, side}, {258, 3, 1}, {259, 3, 4},
                                      {262, 3, 0}, {273, 4, stripOffset}, {278, 4, side},
                                      {279, 4, stripBytes}});
}

// A one-page PDF whose drawing is `inflated` bytes of spaces deflated into a few hundred
// kilobytes, beside an 8 x 8 picture.
std::vector<uint8_t> pdfDrawingBomb(size_t inflated) {
    z_stream z{};
    deflateInit(&z, 9);
    const std::vector<uint8_t> spaces(size_t{1} << 20, ' ');
    std::string drawing;
    std::vector<uint8_t> out(size_t{1} << 16);
    for (size_t done = 0; done < inflated; done += spaces.size()) {
        z.next_in = const_cast<uint8_t*>(spaces.data());
        z.avail_in = static_cast<uInt>(spaces.size());
        const int flush = done + spaces.size() >= inflated ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, flush);
            drawing.append(reinterpret_cast<const char*>(out.data()), out.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    const std::string picture(64, '\x80');
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 8 8] /Contents 4 0 R /Resources << /XObject << /Im0 5 0 R >> >> >>",
        "<< /Length " + std::to_string(drawing.size()) + " /Filter /FlateDecode >>\nstream\n" + drawing + "\nendstream",
        "<< /Type /XObject /Subtype /Image /Width 8 /Height 8 /ColorSpace /DeviceGray /BitsPerComponent 8 /Length 64 >>"
        "\nstream\n" + picture + "\nendstream"};
    const std::string pdf = fixtures::handMadePdf(objects);
    return {pdf.begin(), pdf.end()};
}

// A one-page PDF of `objects` after its catalog and page tree: the page is object 3.
std::vector<uint8_t> onePagePdf(std::vector<std::string> objects) {
    objects.insert(objects.begin(), {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"});
    const std::string pdf = fixtures::handMadePdf(objects);
    return {pdf.begin(), pdf.end()};
}

std::string stream(const std::string& dictionary, const std::string& data) {
    return "<< " + dictionary + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

// A JPEG 2000 codestream's main header declaring a grey picture of side x side in one tile,
// and a tile with no data.
std::string jpeg2000WithoutData(uint32_t side) {
    std::vector<uint8_t> b = {0xFF, 0x4F, 0xFF, 0x51, 0, 41, 0, 0};  // SOC, SIZ of one component
    for (uint32_t value : {side, side, 0u, 0u, side, side, 0u, 0u})
        for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(value >> shift));
    for (uint8_t v : {0, 1, 7, 1, 1}) b.push_back(v);  // one component of 8 bits, not subsampled
    // COD: 5 levels, 64 x 64 blocks, the reversible transform; QCD: no quantisation.
    for (uint8_t v : {0xFF, 0x52, 0, 12, 0, 0, 0, 1, 0, 5, 4, 4, 0, 1}) b.push_back(v);
    for (uint8_t v : {0xFF, 0x5C, 0, 19, 0x40}) b.push_back(v);
    for (int band = 0; band < 16; ++band) b.push_back(0x40);
    for (uint8_t v : {0xFF, 0x90, 0, 10, 0, 0, 0, 0, 0, 0, 0, 1, 0xFF, 0x93, 0xFF, 0xD9}) b.push_back(v);
    return {b.begin(), b.end()};
}

struct Bomb {
    const char* name;
    std::function<std::vector<uint8_t>(const TempDir&)> make;
    bool decodes;  // whether a (blank) picture is expected
    long peakKiB = kPeakLimitKiB;
};

class Bombs : public ::testing::TestWithParam<Bomb> {};

TEST_P(Bombs, RefusedOrDecodedWithinBounds) {
    const Bomb& bomb = GetParam();
    TempDir dir;
    const std::string path = dir.file(bomb.name);
    fixtures::writeBytes(path, bomb.make(dir));
    const Outcome outcome = runIsolated(path);
    ASSERT_TRUE(outcome.exitedNormally);
    EXPECT_EQ(outcome.workout.decoded > 0, bomb.decodes) << bomb.name;
    EXPECT_LT(outcome.peakKiB, bomb.peakKiB) << bomb.name;
    EXPECT_LT(outcome.seconds, kRunawaySeconds) << bomb.name;
    std::printf("%s: %zu bytes, peak %ld MB, %.2f s\n", bomb.name, fs::file_size(path),
                outcome.peakKiB / 1024, outcome.seconds);
}

INSTANTIATE_TEST_SUITE_P(
    TinyFiles, Bombs,
    ::testing::Values(
        // 16384^2 ARGB is 1 GiB: over the frame limit, refused before anything is allocated.
        Bomb{"screen16384.gif", [](const TempDir&) { return gifScreenAroundOnePixel(16384); }, false},
        // 131 and 223 megapixels: the first fits the limit and decodes on one canvas.
        Bomb{"screen11450.gif", [](const TempDir&) { return gifScreenAroundOnePixel(11450); }, true},
        Bomb{"screen14933.gif", [](const TempDir&) { return gifScreenAroundOnePixel(14933); }, false},
        Bomb{"empty_scan_rgb.jpg", [](const TempDir& d) { return jpegWithEmptyScan(d, 16384, 3); }, false},
        Bomb{"empty_scan_grey.jpg", [](const TempDir& d) { return jpegWithEmptyScan(d, 16384, 1); }, false},
        Bomb{"no_data.png", [](const TempDir&) { return pngWithoutData(16000); }, false},
        Bomb{"empty_strip.tif", [](const TempDir&) { return tiffWithoutData(60000, 0, 8); }, false},
        Bomb{"strip_past_end.tif", [](const TempDir&) { return tiffWithoutData(60000, 4096, 1u << 30); }, false},
        // Drawings of 400 and 100 MB in a few hundred kilobytes: inflated only as far as a page's
        // drawing may go (16 MB), the rest let go by, never held; the page fails unread.
        Bomb{"drawing_bomb.pdf", [](const TempDir&) { return pdfDrawingBomb(size_t{400} << 20); }, false,
             100 * 1024},
        Bomb{"small_drawing_bomb.pdf", [](const TempDir&) { return pdfDrawingBomb(size_t{100} << 20); }, false,
             100 * 1024},
        // A picture the page says is 8 x 8 whose JPEG 2000 data declares 60000 x 60000 in 100
        // bytes: refused from the codestream's header.
        Bomb{"jpeg2000_side60000.pdf", [](const TempDir&) {
                 return onePagePdf({"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 72] /Contents 4 0 R "
                                    "/Resources << /XObject << /Im0 5 0 R >> >> >>",
                                    stream("", "q 72 0 0 72 0 0 cm /Im0 Do Q"),
                                    stream("/Type /XObject /Subtype /Image /Width 8 /Height 8 /Filter /JPXDecode",
                                           jpeg2000WithoutData(60000))});
             }, false, 100 * 1024},
        // Text on the largest page PDF allows (200 x 200 inches) is 60000 pixels a side at 300 dpi,
        // and a JBIG2 picture of a million pixels a side on a small page 2400 dpi and more: both
        // refused before they are drawn.
        Bomb{"text_on_a_huge_page.pdf", [](const TempDir&) {
                 return onePagePdf({"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 14400 14400] /Contents 4 0 R "
                                    "/Resources << /Font << /F1 5 0 R >> >> >>",
                                    stream("", "BT /F1 12 Tf 72 72 Td (Hello) Tj ET"),
                                    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
             }, false, 100 * 1024},
        Bomb{"jbig2_side1000000.pdf", [](const TempDir&) {
                 return onePagePdf({"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 7200 7200] /Contents 4 0 R "
                                    "/Resources << /XObject << /Im0 5 0 R >> >> >>",
                                    stream("", "q 7200 0 0 7200 0 0 cm /Im0 Do Q"),
                                    stream("/Type /XObject /Subtype /Image /Width 1000000 /Height 1000000 /ColorSpace "
                                           "/DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode",
                                           std::string(16, '\0'))});
             }, false, 100 * 1024}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

// Every input a fuzzer found that crashed, hung or ran out of memory stays here.
TEST(CrashCorpus, EveryInputEndsCleanlyWithinBounds) {
    const fs::path folder = fs::path(ORVELLE_SOURCE_DIR) / "fuzz" / "crashes";
    size_t seen = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README.md") continue;
        ++seen;
        const Outcome outcome = runIsolated(entry.path().string());
        EXPECT_TRUE(outcome.exitedNormally) << entry.path();
        EXPECT_LT(outcome.peakKiB, kPeakLimitKiB) << entry.path();
        EXPECT_LT(outcome.seconds, kRunawaySeconds) << entry.path();
    }
    std::printf("%zu inputs from the crash corpus\n", seen);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    orvelle::ImagingSession::open();
    const int status = RUN_ALL_TESTS();
    orvelle::ImagingSession::close();
    return status;
}
