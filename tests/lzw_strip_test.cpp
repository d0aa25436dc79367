// Our strip coder against libtiff's LZW reader: every stream is wrapped as one strip of an
// 8-bit grey TIFF and read back.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <random>

#include "imaging/platform/codecs/lzw_strip.h"
#include "support/fixtures.h"

namespace {

std::vector<uint8_t> roundTrip(const std::vector<uint8_t>& data, const std::string& path) {
    std::vector<uint8_t> packed;
    gdip::codecs::compressLzwStrip(data.data(), data.size(), packed);
    const auto width = static_cast<uint32_t>(data.size());
    const uint32_t height = 1;
    {
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
        EXPECT_GE(TIFFWriteRawStrip(tif, 0, packed.data(), static_cast<tmsize_t>(packed.size())), 0);
        TIFFClose(tif);
    }
    std::vector<uint8_t> back(data.size(), 0xA5);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(tif, nullptr);
    if (!tif) return {};
    const tmsize_t got = TIFFReadEncodedStrip(tif, 0, back.data(), static_cast<tmsize_t>(back.size()));
    TIFFClose(tif);
    EXPECT_EQ(got, static_cast<tmsize_t>(data.size()));
    return back;
}

TEST(LzwStrip, LibtiffReadsBackEveryKindOfContent) {
    fixtures::TempDir dir;
    std::mt19937 random(7);
    const auto noise = [&](size_t n, int spread) {
        std::vector<uint8_t> v(n);
        for (auto& b : v) b = static_cast<uint8_t>(random() % spread);
        return v;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
    };
    std::vector<Case> cases = {
        // Noise fills the table every few kilobytes: many clears, codes at every width.
        {"noise", noise(400000, 256)},
        // Few symbols: long strings, the table fills slowly through 10, 11 and 12 bits.
        {"few symbols", noise(1000000, 3)},
        // One byte repeated: strings grow by one each time, the longest chains of all.
        {"one value", std::vector<uint8_t>(3000000, 0xFF)},
        {"one row", noise(1000, 256)},
    };
    // A ramp that repeats with a period the table cannot hold entirely.
    std::vector<uint8_t> ramp(700000);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<uint8_t>((i * 7 + i / 4093) & 255);
    cases.push_back({"ramp", ramp});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(roundTrip(c.data, dir.file("s.tif")), c.data);
    }
}

// The stream ends exactly where the table fills, and around it: the end code must then
// follow a clear, at the width the reader expects.
TEST(LzwStrip, EndsAroundAFullTable) {
    fixtures::TempDir dir;
    // Noise adds one entry per one or two bytes, so the table fills within these lengths.
    std::mt19937 random(11);
    std::vector<uint8_t> noise(5000);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    for (size_t n = 3700; n <= 4400; ++n) {
        const std::vector<uint8_t> data(noise.begin(), noise.begin() + static_cast<long>(n));
        const std::vector<uint8_t> back = roundTrip(data, dir.file("e.tif"));
        ASSERT_EQ(back, data) << n << " bytes";
    }
}

}  // namespace
