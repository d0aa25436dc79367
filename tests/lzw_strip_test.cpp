// Our strip coder against libtiff's LZW reader (every stream is wrapped as one strip of an
// 8-bit grey TIFF and read back), and our strip reader against both writers.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <random>

#include "imaging/platform/codecs/tiff/lzw_strip.h"
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

std::vector<uint8_t> ourWrite(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> packed;
    gdip::codecs::compressLzwStrip(data.data(), data.size(), packed);
    return packed;
}

// The strip as libtiff's own LZW writer stores it.
std::vector<uint8_t> libtiffWrite(const std::vector<uint8_t>& data, const std::string& path) {
    {
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(data.size()));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1u);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 1u);
        EXPECT_GE(TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(data.data()),
                                        static_cast<tmsize_t>(data.size())), 0);
        TIFFClose(tif);
    }
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(tif, nullptr);
    if (!tif) return {};
    std::vector<uint8_t> packed(static_cast<size_t>(TIFFGetStrileByteCount(tif, 0)));
    TIFFReadRawStrip(tif, 0, packed.data(), static_cast<tmsize_t>(packed.size()));
    TIFFClose(tif);
    return packed;
}

// Our reader's bytes, or nothing when it declines the stream.
std::vector<uint8_t> ourRead(const std::vector<uint8_t>& packed, size_t size) {
    gdip::codecs::LzwStripReader reader;
    const uint8_t* out = reader.read(packed.data(), packed.size(), size);
    if (!out) return {};
    return std::vector<uint8_t>(out, out + size);
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
        EXPECT_EQ(ourRead(ourWrite(c.data), c.data.size()), c.data);
        EXPECT_EQ(ourRead(libtiffWrite(c.data, dir.file("l.tif")), c.data.size()), c.data);
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
        ASSERT_EQ(ourRead(ourWrite(data), n), data) << n << " bytes";
    }
}

// Streams our reader must not take as good: it declines them, and libtiff's reader (which
// words the fault or mends what it can) gets the strip instead.
TEST(LzwStrip, ReaderDeclinesWhatWritersDoNotMake) {
    std::mt19937 random(5);
    std::vector<uint8_t> data(20000);
    for (auto& b : data) b = static_cast<uint8_t>(random() % 16);
    const std::vector<uint8_t> good = ourWrite(data);
    ASSERT_EQ(ourRead(good, data.size()), data);

    // Codes packed 9 bits at a time, most significant bit first.
    const auto codes = [](std::initializer_list<uint32_t> list) {
        std::vector<uint8_t> out;
        uint64_t pending = 0;
        uint32_t count = 0;
        for (uint32_t code : list) {
            pending = (pending << 9) | code;
            count += 9;
            while (count >= 8) out.push_back(static_cast<uint8_t>(pending >> (count -= 8)));
        }
        if (count > 0) out.push_back(static_cast<uint8_t>(pending << (8 - count)));
        return out;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> packed;
        size_t size;
    };
    const std::vector<Case> cases = {
        {"cut in half", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(good.size() / 2)),
         data.size()},
        {"end code before the strip is full", good, data.size() + 1},
        {"old-style codes (least significant bit first)", {0x00, 0x01, 0x40, 0x80}, 2},
        {"a code past the table", codes({256, 65, 300, 257}), 4},
        {"a string code right after a clear", codes({256, 258, 257}), 2},
        {"two clear codes in a row", codes({256, 65, 256, 256, 66, 257}), 2},
        {"nothing", {}, 1},
        {"no clear code first: plain bytes", codes({65, 66, 67, 68}), 4},
        {"no clear code first: two bytes and the end code", codes({65, 66, 257}), 2},
    };
    // One reader for all of them, as for the strips of a page: a declined strip leaves
    // nothing behind for the next.
    gdip::codecs::LzwStripReader reader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(reader.read(c.packed.data(), c.packed.size(), c.size), nullptr);
        const uint8_t* again = reader.read(good.data(), good.size(), data.size());
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(again, again + data.size()), data);
    }
    // A strip that holds fewer bytes than the stream: cut, even within a string, and good.
    const std::vector<uint8_t> cut = ourRead(good, 1001);
    EXPECT_EQ(cut, std::vector<uint8_t>(data.begin(), data.begin() + 1001));
    // The string being defined right now (the previous string and its first byte), twice.
    EXPECT_EQ(ourRead(codes({256, 65, 258, 259, 257}), 6), std::vector<uint8_t>(6, 65));
}

}  // namespace
