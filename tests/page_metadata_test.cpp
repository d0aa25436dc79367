// What a page carries besides its pixels, through every path: the orientation it was stored
// in (shown and written upright, kept as a tag by lossless copies), its colour profile, a
// resolution from EXIF or without unit, its text tags; and reduced-resolution previews,
// which are no pages.
#include <gtest/gtest.h>
#include <tiffio.h>

#include "merge/compose.h"
#include "split/page_export.h"
#include "support/fixtures.h"
#include "support/job_runs.h"
#include "support/page_fixtures.h"
#include "support/readback.h"

using namespace orvelle;
using fixtures::Picture;
using fixtures::RecordingContext;
using fixtures::TempDir;

namespace {

// --- turning pictures, independently of the code under test -----------------------------------

Picture turnedClockwise(const Picture& p) {
    Picture out{p.height, p.width, p.channels, std::vector<uint8_t>(p.samples.size())};
    for (uint32_t y = 0; y < p.height; ++y)
        for (uint32_t x = 0; x < p.width; ++x)
            std::copy_n(p.at(x, y), p.channels, out.at(p.height - 1 - y, x));
    return out;
}

Picture mirrored(const Picture& p) {
    Picture out = p;
    for (uint32_t y = 0; y < p.height; ++y)
        for (uint32_t x = 0; x < p.width; ++x) std::copy_n(p.at(x, y), p.channels, out.at(p.width - 1 - x, y));
    return out;
}

Picture turned(Picture p, int quarters) {
    for (int i = 0; i < quarters; ++i) p = turnedClockwise(p);
    return p;
}

// What a viewer shows of a picture stored with EXIF/TIFF `orientation`, as EXIF describes
// the eight: mirror and turn.
Picture upright(const Picture& stored, int orientation) {
    switch (orientation) {
        case 2: return mirrored(stored);
        case 3: return turned(stored, 2);
        case 4: return mirrored(turned(stored, 2));
        case 5: return turned(mirrored(stored), 3);
        case 6: return turned(stored, 1);
        case 7: return turned(mirrored(stored), 1);
        case 8: return turned(stored, 3);
        default: return stored;
    }
}

std::vector<uint32_t> argbOf(const Picture& p) {
    std::vector<uint32_t> argb;
    for (uint32_t y = 0; y < p.height; ++y)
        for (uint32_t x = 0; x < p.width; ++x) {
            const uint8_t* s = p.at(x, y);
            argb.push_back(0xFF000000u | (uint32_t{s[0]} << 16) | (uint32_t{s[1]} << 8) | s[2]);
        }
    return argb;
}

Picture pictureOf(const fixtures::RgbaImage& image) {
    Picture p{image.width, image.height, 3, {}};
    for (const uint32_t c : image.argb) p.samples.insert(p.samples.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    return p;
}

std::vector<uint32_t> decodedArgb(TGPImage& image) {
    std::vector<uint32_t> argb;
    for (uint32_t y = 0; y < image.PixelHeight(); ++y)
        for (uint32_t x = 0; x < image.PixelWidth(); ++x) argb.push_back(fixtures::pixel(image, x, y));
    return argb;
}

void writeOrientedTiff(const std::string& path, const Picture& stored, uint16_t orientation) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, stored.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, stored.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
    for (uint32_t y = 0; y < stored.height; ++y) TIFFWriteScanline(tif, const_cast<uint8_t*>(stored.at(0, y)), y, 0);
    TIFFClose(tif);
}

class Orientation : public ::testing::TestWithParam<int> {};

TEST_P(Orientation, PagesAreShownAndWrittenUprightAndCopiesKeepTheTag) {
    const int orientation = GetParam();
    TempDir dir;
    const Picture stored = fixtures::gradient(7, 4, 3);
    const Picture expected = upright(stored, orientation);
    const std::string tiff = dir.file("turned.tif");
    writeOrientedTiff(tiff, stored, static_cast<uint16_t>(orientation));

    auto image = fixtures::load(tiff);
    ASSERT_EQ(image->PixelWidth(), expected.width);
    ASSERT_EQ(image->PixelHeight(), expected.height);
    EXPECT_EQ(decodedArgb(*image), argbOf(expected));
    EXPECT_EQ(image->facts().orientation, static_cast<UINT>(orientation));

    RecordingContext rec;
    const ExportAllResult split = fixtures::exportAll(tiff, dir.path().string(), ExportFormat::Png, rec);
    ASSERT_EQ(split.written.size(), 1u);
    EXPECT_EQ(fixtures::readPng(split.written[0]).argb, argbOf(expected));

    const std::string merged = dir.file("merged.tif");
    ASSERT_TRUE(fixtures::compose({tiff}, merged, false, rec).written);
    const auto pages = fixtures::readTiffPages(merged);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].argb, argbOf(expected));
    const auto tags = fixtures::describingTags(merged, 0);
    EXPECT_TRUE(!tags.count(TIFFTAG_ORIENTATION) || tags.at(TIFFTAG_ORIENTATION) == "1");

    JobContext context = rec.context();
    ComposeRequest lossless{{tiff}, dir.file("copied.tif"), false};
    lossless.lossless = true;
    ASSERT_TRUE(ComposeTiff(lossless, context).written);
    EXPECT_EQ(fixtures::describingTags(lossless.outputPath, 0).at(TIFFTAG_ORIENTATION), std::to_string(orientation));

    // A camera's JPEG: EXIF orientation, pixels as libjpeg decodes them, turned.
    const std::string photo = dir.file("photo.jpg");
    fixtures::JpegExtras extras;
    extras.orientation = static_cast<uint16_t>(orientation);
    fixtures::writeJpegWith(photo, fixtures::gradient(9, 5, 3), extras);
    auto decoded = fixtures::load(photo);
    EXPECT_EQ(decodedArgb(*decoded), argbOf(upright(pictureOf(fixtures::readJpeg(photo)), orientation)));
}

INSTANTIATE_TEST_SUITE_P(AllEight, Orientation, ::testing::Range(1, 9));

// --- colour profiles ---------------------------------------------------------------------------

void writeTiffWithProfile(const std::string& path, bool cmyk, const std::string& profile) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    const uint16_t samples = cmyk ? 4 : 3;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 6);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 5);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, cmyk ? PHOTOMETRIC_SEPARATED : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(profile.size()), profile.data());
    std::vector<uint8_t> row(6 * samples);
    for (uint32_t y = 0; y < 5; ++y) {
        for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i * 20 + y * 7);
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
}

TEST(ColourProfile, TravelsToEveryFormatThatHoldsOneInItsOwnSpace) {
    TempDir dir;
    const std::string profile = fixtures::iccProfile("RGB ");
    const std::string source = dir.file("wide.tif");
    writeTiffWithProfile(source, false, profile);
    RecordingContext rec;
    for (const ExportFormat format : {ExportFormat::Png, ExportFormat::Jpeg, ExportFormat::Tiff}) {
        TempDir out;
        const ExportAllResult split = fixtures::exportAll(source, out.path().string(), format, rec);
        ASSERT_EQ(split.written.size(), 1u);
        const std::string& file = split.written[0];
        const std::string got = format == ExportFormat::Png    ? fixtures::pngProfile(file)
                                : format == ExportFormat::Jpeg ? fixtures::jpegProfile(file)
                                                               : fixtures::tiffProfile(file, 0);
        EXPECT_EQ(got, profile) << file;
    }
    // At another size too: drawn to RGB, still in the profile's space.
    TempDir half;
    const ExportAllResult scaled =
        fixtures::exportAll(source, half.path().string(), ExportFormat::Png, rec, [] { return 50; });
    ASSERT_EQ(scaled.written.size(), 1u);
    EXPECT_EQ(fixtures::pngProfile(scaled.written[0]), profile);
    const std::string merged = dir.file("merged.tif");
    ASSERT_TRUE(fixtures::compose({source}, merged, false, rec).written);
    EXPECT_EQ(fixtures::tiffProfile(merged, 0), profile);
}

TEST(ColourProfile, ACmykProfileDoesNotFollowItsPageIntoRgb) {
    TempDir dir;
    const std::string source = dir.file("print.tif");
    writeTiffWithProfile(source, true, fixtures::iccProfile("CMYK"));
    RecordingContext rec;
    const ExportAllResult split = fixtures::exportAll(source, dir.path().string(), ExportFormat::Png, rec);
    ASSERT_EQ(split.written.size(), 1u);
    EXPECT_EQ(fixtures::pngProfile(split.written[0]), "");
    EXPECT_NE(split.outcomes[0].profileLeftBehind.find("CMYK colour profile"), std::string::npos);
    const std::string merged = dir.file("merged.tif");
    const ComposeResult result = fixtures::compose({source}, merged, false, rec);
    ASSERT_TRUE(result.written);
    EXPECT_EQ(fixtures::tiffProfile(merged, 0), "");
    EXPECT_NE(result.outcomes[0].profileLeftBehind.find("CMYK colour profile"), std::string::npos);
}

// --- resolution, text tags, previews ----------------------------------------------------------

TEST(PageMetadata, ResolutionFromExifAndWithoutUnitIsKept) {
    TempDir dir;
    const std::string photo = dir.file("scan.jpg");
    fixtures::JpegExtras extras;
    extras.jfif = false;
    extras.exifDpi = 300;
    fixtures::writeJpegWith(photo, fixtures::gradient(8, 8, 3), extras);
    EXPECT_FLOAT_EQ(fixtures::load(photo)->horizontalResolution(), 300.0f);
    RecordingContext rec;
    const std::string merged = dir.file("merged.tif");
    ASSERT_TRUE(fixtures::compose({photo}, merged, false, rec).written);
    EXPECT_FLOAT_EQ(fixtures::readTiffPages(merged).at(0).xResolution, 300.0f);

    // A fax page's 204 x 196 without unit, written as it is, and scaled with the page; the
    // page is stored turned a quarter, so upright the two trade places.
    const std::string fax = dir.file("fax.tif");
    fixtures::writeStoredPage(fax, {"fax", COMPRESSION_LZW, PHOTOMETRIC_RGB, 3, 8});
    for (const int percent : {100, 50}) {
        TempDir out;
        const ExportAllResult split =
            fixtures::exportAll(fax, out.path().string(), ExportFormat::Tiff, rec, [percent] { return percent; });
        ASSERT_EQ(split.written.size(), 1u);
        const auto page = fixtures::readTiffPages(split.written[0]).at(0);
        EXPECT_EQ(page.resolutionUnit, RESUNIT_NONE);
        EXPECT_FLOAT_EQ(page.xResolution, 196.0f * percent / 100);
        EXPECT_FLOAT_EQ(page.yResolution, 204.0f * percent / 100);
    }
}

TEST(PageMetadata, TextTagsFollowThePageIntoTiffOutputs) {
    TempDir dir;
    const std::string source = dir.file("named.tif");
    fixtures::writeStoredPage(source, {"named", COMPRESSION_LZW, PHOTOMETRIC_RGB, 3, 8});
    const auto sourceTags = fixtures::describingTags(source, 0);
    RecordingContext rec;
    const std::string merged = dir.file("merged.tif");
    ASSERT_TRUE(fixtures::compose({source}, merged, false, rec).written);
    const ExportAllResult split = fixtures::exportAll(source, dir.path().string(), ExportFormat::Tiff, rec);
    ASSERT_EQ(split.written.size(), 1u);
    for (const std::string& output : {merged, split.written[0]}) {
        const auto tags = fixtures::describingTags(output, 0);
        for (const uint32_t tag : {TIFFTAG_PAGENAME, TIFFTAG_DOCUMENTNAME, TIFFTAG_IMAGEDESCRIPTION, TIFFTAG_DATETIME,
                                   TIFFTAG_ARTIST, TIFFTAG_MAKE, TIFFTAG_MODEL, TIFFTAG_SOFTWARE, TIFFTAG_COPYRIGHT})
            EXPECT_EQ(tags.count(tag) ? tags.at(tag) : "", sourceTags.at(tag)) << output << " tag " << tag;
    }
}

TEST(PageMetadata, ReducedResolutionImagesAreNotPages) {
    TempDir dir;
    const std::string source = dir.file("previewed.tif");
    {
        TIFF* tif = TIFFOpen(source.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        for (const uint32_t kind : {0u, uint32_t{FILETYPE_REDUCEDIMAGE}, 0u}) {
            const uint32_t side = kind ? 4 : 8;
            TIFFSetField(tif, TIFFTAG_SUBFILETYPE, kind);
            TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, side);
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, side);
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
            std::vector<uint8_t> row(side, 90);
            for (uint32_t y = 0; y < side; ++y) TIFFWriteScanline(tif, row.data(), y, 0);
            TIFFWriteDirectory(tif);
        }
        TIFFClose(tif);
    }
    auto image = fixtures::load(source);
    GUID dimension{};
    ASSERT_EQ(image->ListFrameDimensions(&dimension, 1), Ok);
    EXPECT_EQ(image->CountFrames(&dimension), 2u);
    EXPECT_EQ(image->facts().reducedImages, 1u);
    RecordingContext rec;
    JobContext context = rec.context();
    ComposeRequest lossless{{source}, dir.file("copied.tif"), true};
    lossless.lossless = true;
    const ComposeResult result = ComposeTiff(lossless, context);
    ASSERT_TRUE(result.written);
    const auto pages = fixtures::readTiffPages(lossless.outputPath);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1].width, 8u);
}

}  // namespace
