// Our Group 4 coder and reader against libtiff's: the same page coded by both must give the
// same bytes (the code is fully determined by the pixels), libtiff's fax reader must read
// ours back, and ours must read libtiff's, declining what is not clean.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <random>

#include "imaging/platform/codecs/tiff/g4_reader.h"
#include "imaging/platform/codecs/tiff/g4_strip.h"
#include "support/fixtures.h"

namespace {

struct Page {
    const char* name;
    uint32_t width;
    uint32_t height;
    std::vector<uint8_t> rows;  // (width + 7) / 8 bytes a row, 1 = black
};

size_t lineOf(uint32_t width) { return (size_t{width} + 7) / 8; }

void setPixel(Page& page, uint32_t x, uint32_t y) {
    page.rows[y * lineOf(page.width) + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
}

Page blankPage(const char* name, uint32_t width, uint32_t height) {
    return {name, width, height, std::vector<uint8_t>(lineOf(width) * height, 0)};
}

// One strip of a G4 page written with `raw` (our stream) or, without it, coded by libtiff.
void writePage(const std::string& path, const Page& page, const std::vector<uint8_t>* raw) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, page.height);
    if (raw)
        EXPECT_GE(TIFFWriteRawStrip(tif, 0, const_cast<uint8_t*>(raw->data()), static_cast<tmsize_t>(raw->size())), 0);
    else
        EXPECT_GE(TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(page.rows.data()),
                                        static_cast<tmsize_t>(page.rows.size())),
                  0);
    TIFFClose(tif);
}

std::vector<uint8_t> readStrip(const std::string& path, bool raw) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(tif, nullptr);
    if (!tif) return {};
    std::vector<uint8_t> out(raw ? static_cast<size_t>(TIFFGetStrileByteCount(tif, 0))
                                 : static_cast<size_t>(TIFFStripSize(tif)));
    const tmsize_t got = raw ? TIFFReadRawStrip(tif, 0, out.data(), static_cast<tmsize_t>(out.size()))
                             : TIFFReadEncodedStrip(tif, 0, out.data(), static_cast<tmsize_t>(out.size()));
    TIFFClose(tif);
    EXPECT_EQ(got, static_cast<tmsize_t>(out.size()));
    return out;
}

std::vector<Page> pages() {
    std::mt19937 random(3);
    std::vector<Page> out;
    // Noise at several densities: every mode, runs of every short length, both colours.
    for (const uint32_t percent : {1u, 10u, 50u, 90u}) {
        Page page = blankPage("noise", 1000 + percent, 700);
        for (uint32_t y = 0; y < page.height; ++y)
            for (uint32_t x = 0; x < page.width; ++x)
                if (random() % 100 < percent) setPixel(page, x, y);
        out.push_back(std::move(page));
    }
    // Runs of every length from 0 to past two of the longest make-up codes, white then black,
    // each row shifted so that the runs do not line up with the row above.
    Page runs = blankPage("runs of every length", 11000, 2800);
    for (uint32_t y = 0; y < runs.height; ++y)
        for (uint32_t x = y % 5 + y; x < y % 5 + 2 * y + (y > 2600 ? 2600 : 0); ++x) setPixel(runs, x, y);
    out.push_back(std::move(runs));
    // Letters: blocks and strokes that repeat from row to row, the vertical modes' work, on a
    // width that is no multiple of 8 or 64, and rows that end black.
    Page text = blankPage("strokes", 1725, 1300);
    for (uint32_t y = 0; y < text.height; ++y)
        for (uint32_t x = 0; x < text.width; ++x)
            if (((x / 7 + y / 11) % 5 == 0 && (y / 40) % 3 != 2) || x + 3 >= text.width ||
                (x * x + y * 3) % 97 < 2)
                setPixel(text, x, y);
    out.push_back(std::move(text));
    Page black = blankPage("all black", 65, 9);
    for (uint32_t y = 0; y < black.height; ++y)
        for (uint32_t x = 0; x < black.width; ++x) setPixel(black, x, y);
    out.push_back(std::move(black));
    out.push_back(blankPage("all white", 2480, 3508));
    Page narrow = blankPage("one pixel wide", 1, 40);
    for (uint32_t y = 0; y < narrow.height; y += 3) setPixel(narrow, 0, y);
    out.push_back(std::move(narrow));
    return out;
}

TEST(G4Strip, SameBytesAsLibtiffAndReadBack) {
    fixtures::TempDir dir;
    for (Page& page : pages()) {
        SCOPED_TRACE(std::string(page.name) + " " + std::to_string(page.width));
        std::vector<uint8_t> ours;
        ASSERT_EQ(gdip::codecs::compressG4(page.rows.data(), lineOf(page.width), page.width, page.height, ours),
                  gdip::Ok);
        writePage(dir.file("theirs.tif"), page, nullptr);
        EXPECT_EQ(ours, readStrip(dir.file("theirs.tif"), true));
        writePage(dir.file("ours.tif"), page, &ours);
        EXPECT_EQ(readStrip(dir.file("ours.tif"), false), page.rows);

        gdip::codecs::G4Reader reader;
        const std::vector<uint8_t> theirs = readStrip(dir.file("theirs.tif"), true);
        std::vector<uint8_t> back(page.rows.size(), 0x5A);
        EXPECT_TRUE(reader.read(theirs.data(), theirs.size(), page.width, page.height, back.data(),
                                lineOf(page.width)));
        EXPECT_EQ(back, page.rows);
        EXPECT_TRUE(reader.read(theirs.data(), theirs.size(), page.width, page.height, nullptr, 0));
        // Into rows wider than the pixels, as a frame's are: the bytes past them are cleared.
        const size_t stride = lineOf(page.width) + 5;
        std::vector<uint8_t> wide(stride * page.height, 0x5A), expected(wide.size(), 0);
        for (uint32_t y = 0; y < page.height; ++y)
            std::copy_n(page.rows.begin() + y * lineOf(page.width), lineOf(page.width), expected.begin() + y * stride);
        EXPECT_TRUE(reader.read(theirs.data(), theirs.size(), page.width, page.height, wide.data(), stride));
        EXPECT_EQ(wide, expected);

        // Read again by bands of 7 rows from marks, backwards, each band on its own.
        std::vector<gdip::codecs::G4Mark> marks;
        ASSERT_TRUE(reader.mark(theirs.data(), theirs.size(), page.width, page.height, 7, marks));
        ASSERT_EQ(marks.size(), (page.height + 6) / 7);
        std::fill(back.begin(), back.end(), 0x5A);
        for (size_t band = marks.size(); band-- > 0;) {
            const uint32_t first = static_cast<uint32_t>(band * 7);
            gdip::codecs::G4Reader another;
            EXPECT_TRUE(another.readFrom(theirs.data(), theirs.size(), page.width, marks[band], first,
                                         std::min<uint32_t>(7, page.height - first), [&](const uint8_t* row, uint32_t y) {
                                             std::copy_n(row, lineOf(page.width), back.begin() + y * lineOf(page.width));
                                         }));
        }
        EXPECT_EQ(back, page.rows);
    }
}

// Data our reader must not take as a page: it declines, and libtiff gets it to report or mend.
TEST(G4Strip, ReaderDeclinesWhatIsNotClean) {
    Page page = pages()[5];  // strokes
    std::vector<uint8_t> good;
    ASSERT_EQ(gdip::codecs::compressG4(page.rows.data(), lineOf(page.width), page.width, page.height, good),
              gdip::Ok);
    const auto declines = [&](std::vector<uint8_t> data, uint32_t width, uint32_t height) {
        gdip::codecs::G4Reader reader;
        std::vector<uint8_t> rows(lineOf(width) * height);
        return !reader.read(data.data(), data.size(), width, height, rows.data(), lineOf(width)) &&
               !reader.read(data.data(), data.size(), width, height, nullptr, 0);
    };
    std::vector<uint8_t> flipped = good;
    for (size_t i = 0; i < flipped.size(); i += 97) flipped[i] ^= 0x5A;
    EXPECT_TRUE(declines(flipped, page.width, page.height)) << "damaged codes";
    EXPECT_TRUE(declines({good.begin(), good.begin() + static_cast<long>(good.size() / 2)}, page.width, page.height))
        << "cut in half";
    EXPECT_TRUE(declines(good, page.width, page.height + 1)) << "more rows asked for than coded";
    EXPECT_TRUE(declines(good, page.width - 40, page.height)) << "rows wider than the page";
    EXPECT_TRUE(declines({}, page.width, page.height)) << "nothing";
    EXPECT_TRUE(declines({0x00, 0x10, 0x01}, 100, 2)) << "a line end";
    EXPECT_TRUE(declines({0x02, 0xFF}, 100, 1)) << "uncompressed mode";
}

// Padding bits past the row's end are not pixels: whatever they hold, the stream is the same.
TEST(G4Strip, PaddingBitsAreIgnored) {
    Page clean = blankPage("padding", 13, 50);
    for (uint32_t y = 0; y < clean.height; ++y) setPixel(clean, (y * 5) % 13, y);
    Page dirty = clean;
    for (uint32_t y = 0; y < dirty.height; ++y) dirty.rows[y * 2 + 1] |= 0x07;
    std::vector<uint8_t> fromClean, fromDirty;
    ASSERT_EQ(gdip::codecs::compressG4(clean.rows.data(), 2, 13, 50, fromClean), gdip::Ok);
    ASSERT_EQ(gdip::codecs::compressG4(dirty.rows.data(), 2, 13, 50, fromDirty), gdip::Ok);
    EXPECT_EQ(fromClean, fromDirty);
}

}  // namespace
