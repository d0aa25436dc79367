// Pages copied as stored: split and merged with --lossless, read back with libtiff and
// compared with the source's stored bytes and tags.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <unistd.h>

#include <algorithm>

#include "imaging/stored_page_writer.h"
#include "imaging/text_path.h"
#include "merge/compose.h"
#include "split/page_export.h"
#include "support/fixtures.h"
#include "support/hand_made.h"
#include "support/page_fixtures.h"
#include "support/readback.h"

namespace fixtures {
void PrintTo(const StoredLayout& layout, std::ostream* out) { *out << layout.name; }
}  // namespace fixtures

using namespace orvelle;
using fixtures::RecordingContext;
using fixtures::StoredLayout;
using fixtures::TempDir;

namespace {

ExportAllResult splitLossless(const std::string& source, const std::string& folder) {
    RecordingContext rec;
    JobContext context = rec.context();
    ExportAllRequest request{source, folder, ExportFormat::Tiff, nullptr};
    request.lossless = true;
    return ExportAllPages(request, context);
}

ComposeResult mergeLossless(const std::vector<std::string>& sources, const std::string& output) {
    RecordingContext rec;
    JobContext context = rec.context();
    ComposeRequest request{sources, output, true};
    request.lossless = true;
    return ComposeTiff(request, context);
}

class StoredPages : public ::testing::TestWithParam<StoredLayout> {};

TEST_P(StoredPages, SplitAndMergedWithTheirStoredBytesAndTags) {
    TempDir dir;
    const std::string source = dir.file("source.tif");
    fixtures::writeStoredPage(source, GetParam());
    const auto pieces = fixtures::rawPieces(source, 0);
    const auto tags = fixtures::describingTags(source, 0);
    ASSERT_GT(pieces.size(), 1u);

    const ExportAllResult split = splitLossless(source, dir.path().string());
    ASSERT_EQ(split.written.size(), 1u);
    EXPECT_TRUE(split.outcomes[0].copied) << split.outcomes[0].decodedBecause;
    EXPECT_EQ(fixtures::rawPieces(split.written[0], 0), pieces);
    EXPECT_EQ(fixtures::describingTags(split.written[0], 0), tags);

    const std::string merged = dir.file("merged.tif");
    const ComposeResult result = mergeLossless({source, split.written[0]}, merged);
    ASSERT_TRUE(result.written);
    const auto pages = fixtures::readTiffPages(merged);
    ASSERT_EQ(pages.size(), 2u);
    for (uint16_t page = 0; page < 2; ++page) {
        EXPECT_EQ(fixtures::rawPieces(merged, page), pieces) << "page " << page;
        EXPECT_EQ(fixtures::describingTags(merged, page), tags) << "page " << page;
        EXPECT_EQ(pages[page].pageNumber, page);
        EXPECT_EQ(pages[page].pageTotal, 2);
        EXPECT_TRUE(result.outcomes[page].losslessPages.at(0).copied);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, StoredPages,
    ::testing::Values(StoredLayout{"g4_msb_first", COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE, 1, 1},
                      StoredLayout{"g4_lsb_first", COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE, 1, 1, FILLORDER_LSB2MSB},
                      StoredLayout{"lzw_predictor", COMPRESSION_LZW, PHOTOMETRIC_RGB, 3, 8, 1, PREDICTOR_HORIZONTAL},
                      StoredLayout{"deflate_grey", COMPRESSION_ADOBE_DEFLATE, PHOTOMETRIC_MINISBLACK, 1, 8},
                      StoredLayout{"jpeg_ycbcr_tables", COMPRESSION_JPEG, PHOTOMETRIC_YCBCR, 3, 8},
                      StoredLayout{"tiled", COMPRESSION_LZW, PHOTOMETRIC_RGB, 3, 8, 1, 1, 1, true},
                      StoredLayout{"grey16", COMPRESSION_LZW, PHOTOMETRIC_MINISBLACK, 1, 16},
                      StoredLayout{"palette", COMPRESSION_LZW, PHOTOMETRIC_PALETTE, 1, 8},
                      StoredLayout{"planar", COMPRESSION_LZW, PHOTOMETRIC_RGB, 3, 8, 1, 1, PLANARCONFIG_SEPARATE}),
    [](const ::testing::TestParamInfo<StoredLayout>& info) { return info.param.name; });

// Rows of an 8-bit contiguous page as libtiff decodes them, samples as stored.
std::vector<uint8_t> decodedSamples(const std::string& path, uint16_t page) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return {};
    std::vector<uint8_t> samples;
    if (TIFFSetDirectory(tif, page)) {
        uint32_t height = 0;
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tif)));
        for (uint32_t y = 0; y < height && TIFFReadScanline(tif, row.data(), y) > 0; ++y)
            samples.insert(samples.end(), row.begin(), row.end());
    }
    TIFFClose(tif);
    return samples;
}

TEST(StoredJpeg, KeepsTheEntropyCodedDataAndReadsBackAsTheJpegDecodes) {
    TempDir dir;
    const std::string photo = dir.file("photo.jpg");
    fixtures::JpegExtras extras;
    extras.jfif = false;
    extras.orientation = 6;
    extras.exifDpi = 300;
    extras.profile = fixtures::iccProfile("RGB ");
    fixtures::writeJpegWith(photo, fixtures::gradient(61, 35, 3), extras);
    const std::string plain = dir.file("plain.jpg");
    fixtures::writeJpegWith(plain, fixtures::gradient(61, 35, 3), {});

    const std::string merged = dir.file("merged.tif");
    const ComposeResult result = mergeLossless({photo, plain}, merged);
    ASSERT_TRUE(result.written);
    for (uint16_t page = 0; page < 2; ++page) {
        EXPECT_TRUE(result.outcomes[page].losslessPages.at(0).copied);
        const auto strip = fixtures::rawPieces(merged, page).at(0);
        const auto scan = fixtures::jpegScanData(fixtures::readBytes(page == 0 ? photo : plain));
        ASSERT_GT(scan.size(), 100u);
        ASSERT_GE(strip.size(), scan.size());
        EXPECT_TRUE(std::equal(scan.begin(), scan.end(), strip.end() - static_cast<long>(scan.size())));
    }
    auto tags = fixtures::describingTags(merged, 0);
    EXPECT_EQ(tags[TIFFTAG_COMPRESSION], std::to_string(COMPRESSION_JPEG));
    EXPECT_EQ(tags[TIFFTAG_ORIENTATION], "6");
    EXPECT_EQ(tags[TIFFTAG_XRESOLUTION], std::to_string(300.0f));
    EXPECT_EQ(tags[TIFFTAG_YCBCRSUBSAMPLING], "2,2");
    EXPECT_EQ(tags[TIFFTAG_ICCPROFILE], extras.profile);

    const fixtures::RgbaImage direct = fixtures::readJpeg(plain);
    const auto pages = fixtures::readTiffPages(merged);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1].argb, direct.argb);
}

// A JPEG's size on paper is read by one rule whether it is decoded or copied as stored into a
// TIFF: JFIF's density, else EXIF's resolution (a JFIF 1:1 without unit, as many writers add
// by rote, says nothing, and neither does a unit JFIF does not define).
TEST(StoredJpeg, CopiedAndDecodedTakeTheSameResolution) {
    TempDir dir;
    struct Case {
        const char* name;
        bool jfif;
        int jfifDpi;
        uint32_t exifDpi;
        float dpi;
        uint8_t jfifUnit = 0;  // written over the segment's unit when not 0
    };
    for (const Case& c : {Case{"jfif.jpg", true, 150, 0, 150}, Case{"exif.jpg", false, 0, 300, 300},
                          Case{"both.jpg", true, 0, 200, 200}, Case{"none.jpg", true, 0, 0, 0},
                          Case{"odd-unit.jpg", true, 150, 300, 300, 3}}) {
        SCOPED_TRACE(c.name);
        fixtures::JpegExtras extras;
        extras.jfif = c.jfif;
        extras.jfifDpi = c.jfifDpi;
        extras.exifDpi = c.exifDpi;
        fixtures::writeJpegWith(dir.file(c.name), fixtures::gradient(16, 8, 3), extras);
        if (c.jfifUnit != 0) {
            std::vector<uint8_t> bytes = fixtures::readBytes(dir.file(c.name));
            const auto at = std::search(bytes.begin(), bytes.end(), std::begin("JFIF"), std::end("JFIF"));
            ASSERT_NE(at, bytes.end());
            at[7] = c.jfifUnit;
            fixtures::writeBytes(dir.file(c.name), bytes);
        }
        EXPECT_NEAR(fixtures::load(dir.file(c.name))->horizontalResolution(), c.dpi, 0.01);
        ASSERT_TRUE(mergeLossless({dir.file(c.name)}, dir.file("copied.tif")).written);
        TIFF* tif = TIFFOpen(dir.file("copied.tif").c_str(), "r");
        ASSERT_NE(tif, nullptr);
        float x = 0;
        uint16_t unit = 0;
        const bool has = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) != 0;
        TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
        TIFFClose(tif);
        EXPECT_EQ(has, c.dpi > 0);
        if (has) {
            EXPECT_EQ(unit, RESUNIT_INCH);
            EXPECT_NEAR(x, c.dpi, 0.01);
        }
    }
}

TEST(StoredJpeg, WhatCannotBeStoredIsDecodedLosslesslyAndSaysWhy) {
    TempDir dir;
    const std::string progressive = dir.file("progressive.jpg");
    fixtures::JpegExtras extras;
    extras.progressive = true;
    fixtures::writeJpegWith(progressive, fixtures::gradient(33, 20, 3), extras);
    const std::string translucent = dir.file("alpha.png");
    fixtures::Picture rgba = fixtures::gradient(19, 13, 4);
    for (size_t i = 3; i < rgba.samples.size(); i += 4) rgba.samples[i] = static_cast<uint8_t>(i * 5);
    fixtures::writePng(translucent, rgba);

    const std::string merged = dir.file("merged.tif");
    const ComposeResult result = mergeLossless({progressive, translucent}, merged);
    ASSERT_TRUE(result.written);
    const LosslessPage& first = result.outcomes[0].losslessPages.at(0);
    const LosslessPage& second = result.outcomes[1].losslessPages.at(0);
    EXPECT_FALSE(first.copied);
    EXPECT_NE(first.decodedBecause.find("progressive"), std::string::npos);
    EXPECT_FALSE(second.copied);
    EXPECT_NE(second.decodedBecause.find("PNG"), std::string::npos);

    const auto pages = fixtures::readTiffPages(merged);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].compression, COMPRESSION_ADOBE_DEFLATE);
    EXPECT_EQ(pages[0].argb, fixtures::readJpeg(progressive).argb);
    // Every sample of the PNG, alpha included, as stored: RGBA, unassociated.
    EXPECT_EQ(pages[1].samplesPerPixel, 4);
    EXPECT_EQ(decodedSamples(merged, 1), rgba.samples);
}

// A page far over the size limit of a decoded picture is copied all the same: nothing is
// decoded to copy it.
TEST(StoredPagesLimits, APageTooLargeToDecodeIsCopied) {
    TempDir dir;
    const std::string source = dir.file("map.tif");
    {
        TIFF* tif = TIFFOpen(source.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        constexpr uint32_t kSide = 30000;
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kSide);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kSide);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 1000);
        std::vector<uint8_t> row(kSide / 8);
        for (uint32_t y = 0; y < kSide; ++y) {
            row[y / 8 % row.size()] = static_cast<uint8_t>(y);
            TIFFWriteScanline(tif, row.data(), y, 0);
        }
        TIFFClose(tif);
    }
    const ExportAllResult split = splitLossless(source, dir.path().string());
    ASSERT_EQ(split.written.size(), 1u);
    EXPECT_TRUE(split.outcomes[0].copied);
    EXPECT_EQ(fixtures::rawPieces(split.written[0], 0), fixtures::rawPieces(source, 0));
}

}  // namespace

// A page whose copy fails after its first strip (its file cut short meanwhile) fails alone:
// the pages before and after it are written, whether it comes first or later.
TEST(StoredPagesLimits, ACopyThatFailsHalfWayFailsThatPageAlone) {
    TempDir dir;
    // A grey 4 x 4 page in two strips of 8 bytes, its directory before them, so that cutting
    // the file short takes the second strip and leaves the directory.
    std::vector<uint8_t> bytes(8 + 2 + 9 * 12 + 4 + 16, 0x80);
    bytes[0] = 'I', bytes[1] = 'I';
    fixtures::putLe16(bytes, 2, 42);
    fixtures::putLe32(bytes, 4, 8);
    fixtures::putLe16(bytes, 8, 9);
    const uint16_t entries[9][4] = {{256, 3, 1, 4},   {257, 3, 1, 4}, {258, 3, 1, 8}, {259, 3, 1, 1}, {262, 3, 1, 1},
                                    {273, 3, 2, 122}, {277, 3, 1, 1}, {278, 3, 1, 2}, {279, 3, 2, 8}};
    for (size_t e = 0; e < 9; ++e) {
        const size_t at = 10 + 12 * e;
        fixtures::putLe16(bytes, at, entries[e][0]);
        fixtures::putLe16(bytes, at + 2, entries[e][1]);
        fixtures::putLe32(bytes, at + 4, entries[e][2]);
        fixtures::putLe16(bytes, at + 8, entries[e][3]);
        if (entries[e][2] == 2) fixtures::putLe16(bytes, at + 10, entries[e][0] == 273 ? 130 : 8);
    }
    fixtures::putLe32(bytes, 10 + 9 * 12, 0);
    const std::string cut = dir.file("cut.tif"), good = dir.file("good.tif");
    fixtures::writeTiff(good, {{fixtures::TiffKind::Rgb, 8, 6, COMPRESSION_LZW}});
    for (const bool cutFirst : {false, true}) {
        SCOPED_TRACE(cutFirst ? "first" : "second");
        fixtures::writeBytes(cut, bytes);
        TGPPageSource goodSource(widenPath(good)), cutSource(widenPath(cut));
        ASSERT_EQ(cutSource.pages(), 1u);
        ASSERT_EQ(::truncate(cut.c_str(), static_cast<off_t>(bytes.size() - 4)), 0);
        const std::string output = dir.file(cutFirst ? "first.tif" : "second.tif");
        TGPStoredPageWriter copy(widenPath(output), {});
        if (!cutFirst) {
            ASSERT_EQ(copy.addPage(goodSource, 0).status, Ok);
        }
        const CopiedPage failed = copy.addPage(cutSource, 0);
        EXPECT_NE(failed.status, Ok);
        EXPECT_NE(failed.status, Win32Error) << "the output is not at fault";
        EXPECT_EQ(copy.addPage(goodSource, 0).status, Ok);
        ASSERT_EQ(copy.finish(), Ok);
        const auto pages = fixtures::readTiffPages(output);
        ASSERT_EQ(pages.size(), cutFirst ? 1u : 2u);
        for (const auto& page : pages) EXPECT_EQ(page.width, 8u);
    }
}

// A page whose stored data does not decode is not copied and called kept, into a TIFF or a
// PDF: the decoder then judges it, and here it fails with its reason while the rest is merged.
TEST(StoredPagesLimits, StoredDataThatDoesNotDecodeIsNotCopied) {
    TempDir dir;
    const std::string good = dir.file("good.tif");
    fixtures::writeTiff(good, {{fixtures::TiffKind::Rgb, 16, 16, COMPRESSION_LZW}});
    const struct {
        fixtures::TiffKind kind;
        uint16_t compression;
        uint8_t fill;
    } cases[] = {
        {fixtures::TiffKind::Rgb, COMPRESSION_LZW, 0xFF},
        {fixtures::TiffKind::Rgb, COMPRESSION_ADOBE_DEFLATE, 0xFF},
        {fixtures::TiffKind::Rgb, COMPRESSION_JPEG, 0x00},
        {fixtures::TiffKind::Bilevel, COMPRESSION_CCITTFAX4, 0x00},
        {fixtures::TiffKind::Bilevel, COMPRESSION_CCITTFAX3, 0xFF},
    };
    for (const auto& c : cases) {
        for (const char* output : {"out.tif", "out.pdf"}) {
            SCOPED_TRACE(std::to_string(c.compression) + " into " + output);
            const std::string damaged = dir.file("damaged.tif");
            fixtures::writeTiff(damaged, {{c.kind, 64, 64, c.compression}});
            fixtures::spoilPage(damaged, 0, c.fill);
            RecordingContext rec;
            JobContext context = rec.context();
            ComposeRequest request{{good, damaged}, dir.file(output), true};
            request.lossless = true;
            request.pdf = isPdfPath(output);
            const ComposeResult result = ComposeTiff(request, context);
            ASSERT_TRUE(result.written);
            EXPECT_EQ(result.pages, 1u);
            ASSERT_EQ(result.outcomes.size(), 2u);
            EXPECT_EQ(result.outcomes[1].pagesAdded, 0u);
            EXPECT_TRUE(result.outcomes[1].losslessPages.empty());
            EXPECT_NE(result.outcomes[1].reason.find("cannot be decoded"), std::string::npos) << result.outcomes[1].reason;
        }
    }
}

// Fax pages are read one page ahead on a worker: a damaged page found there is judged as one
// found by the copier itself, copied, turned or into a PDF, and the clean pages beside it,
// read ahead or not, come out pixel for pixel.
TEST(StoredPagesLimits, DamagedFaxPagesReadAheadAreNotCopied) {
    // Stored first bit first, and last bit first as some fax machines store it.
    for (const uint16_t fill : {FILLORDER_MSB2LSB, FILLORDER_LSB2MSB}) {
        TempDir dir;
        const std::string fax = dir.file("fax.tif");
        {
            // Each page in one strip, as fax machines and scanners store them.
            TIFF* tif = TIFFOpen(fax.c_str(), "w");
            ASSERT_NE(tif, nullptr);
            for (uint32_t page = 0; page < 6; ++page) {
                TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 96u);
                TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 64u);
                TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
                TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
                TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
                TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
                TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 64u);
                TIFFSetField(tif, TIFFTAG_FILLORDER, fill);
                for (uint32_t y = 0; y < 64; ++y) {
                    uint8_t row[12];
                    for (uint32_t x = 0; x < 12; ++x)
                        row[x] =
                            static_cast<uint8_t>((x * 37 + y * 11 + page * 5) % 7 == 0 ? 0xF0 : 0);
                    TIFFWriteScanline(tif, row, y, 0);
                }
                TIFFWriteDirectory(tif);
            }
            TIFFClose(tif);
        }
        fixtures::spoilPage(fax, 2, 0x00);
        fixtures::spoilPage(fax, 3, 0x00);
        const std::vector<uint32_t> clean = {0, 1, 4, 5};
        for (const char* output : {"out.tif", "out.pdf"}) {
            for (const bool turned : {false, true}) {
                SCOPED_TRACE(std::string(output) + (turned ? " turned" : "") + " fill order " +
                             std::to_string(fill));
                RecordingContext rec;
                JobContext context = rec.context();
                ComposeRequest request{{fax}, dir.file(output), true};
                request.lossless = true;
                request.pdf = isPdfPath(output);
                if (turned) request.pageTurns = {1, 2, 3, 0, 1, 2};
                const ComposeResult result = ComposeTiff(request, context);
                ASSERT_TRUE(result.written);
                ASSERT_EQ(result.outcomes.size(), 1u);
                EXPECT_EQ(result.outcomes[0].failedPages, (std::vector<uint32_t>{2, 3}));
                for (const std::string& why : result.outcomes[0].failedReasons)
                    EXPECT_NE(why.find("cannot be decoded"), std::string::npos) << why;
                EXPECT_EQ(result.outcomes[0].losslessPages.size(), clean.size());
                if (request.pdf) continue;
                const auto pages = fixtures::readTiffPages(dir.file(output));
                const auto source = fixtures::readTiffPages(fax);
                ASSERT_EQ(pages.size(), clean.size());
                for (size_t i = 0; i < clean.size(); ++i) {
                    fixtures::TiffPageInfo expected = source[clean[i]];
                    // Each quarter turn clockwise: the new row y is the old column y, read upwards.
                    for (int t = turned ? request.pageTurns[clean[i]] : 0; t > 0; --t) {
                        std::vector<uint32_t> argb(expected.argb.size());
                        for (uint32_t y = 0; y < expected.width; ++y)
                            for (uint32_t x = 0; x < expected.height; ++x)
                                argb[size_t{y} * expected.height + x] =
                                    expected
                                        .argb[size_t{expected.height - 1 - x} * expected.width + y];
                        expected.argb = std::move(argb);
                        std::swap(expected.width, expected.height);
                    }
                    EXPECT_EQ(pages[i].width, expected.width) << i;
                    EXPECT_EQ(pages[i].argb, expected.argb) << i;
                    EXPECT_EQ(pages[i].compression, COMPRESSION_CCITTFAX4) << i;
                }
            }
        }
    }
}

// The copier and the decoder take a file for a TIFF, and refuse one, by the same reading of
// its first bytes and its chain of directories: a file that only starts like a TIFF fails
// alike whether its pages were to be copied or decoded, with the decoder's words.
TEST(StoredPagesLimits, FilesThatOnlyLookLikeTiffsFailAsTheDecoderSays) {
    TempDir dir;
    const std::string good = dir.file("good.tif");
    fixtures::writeTiff(good, {{fixtures::TiffKind::Rgb, 16, 16, COMPRESSION_LZW}});
    const std::vector<std::pair<const char*, std::string>> files = {
        {"text.tif", "II hello, not a picture"},
        {"chain-past-end.tif", std::string("II*\0\xff\xff\x00\x00", 8)},
        {"no-directory.tif", std::string("MM\0*\0\0\0\0", 8)},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        fixtures::writeBytes(dir.file(name), std::vector<uint8_t>(bytes.begin(), bytes.end()));
        std::string reasons[2];
        for (const bool lossless : {false, true}) {
            RecordingContext rec;
            JobContext context = rec.context();
            ComposeRequest request{{good, dir.file(name)}, dir.file("out.tif"), true};
            request.lossless = lossless;
            const ComposeResult result = ComposeTiff(request, context);
            ASSERT_TRUE(result.written);
            ASSERT_EQ(result.outcomes.size(), 2u);
            EXPECT_EQ(result.outcomes[1].pagesAdded, 0u);
            reasons[lossless] = result.outcomes[1].reason;
        }
        EXPECT_FALSE(reasons[0].empty());
        EXPECT_EQ(reasons[1], reasons[0]);
    }
}
