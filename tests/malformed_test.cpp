// Broken and hostile files come back as "cannot be decoded", never a crash or a huge
// allocation. This binary runs under a 1 GiB address-space limit (except under the
// sanitizers, which reserve far more than that for themselves).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <tiffio.h>

#include "support/fixtures.h"
#include "support/hand_made.h"

using namespace orvelle;
using fixtures::pngChunk;
using fixtures::TempDir;
using fixtures::tiffWithEntries;
using fixtures::TiffKind;

namespace {

void expectUndecodable(const std::string& path) {
    auto image = fixtures::load(path);
    EXPECT_EQ(image->NativeHandle, nullptr) << path;
    EXPECT_NE(image->LastStatus, Ok);
    GUID page = FrameDimensionPage;
    EXPECT_EQ(image->PixelWidth(), 0u);
    EXPECT_EQ(image->CountFrames(&page), 0u);
}

std::vector<uint8_t> truncated(const std::string& path, double keep) {
    std::vector<uint8_t> bytes = fixtures::readBytes(path);
    bytes.resize(static_cast<size_t>(bytes.size() * keep));
    return bytes;
}

TEST(Malformed, TruncatedFilesOfEveryFormat) {
    TempDir dir;
    const fixtures::Picture picture = fixtures::gradient(300, 200, 3);
    fixtures::writeTiff(dir.file("a.tif"), {{TiffKind::Rgb, 300, 200, COMPRESSION_LZW}});
    fixtures::writePng(dir.file("a.png"), picture);
    fixtures::writeJpeg(dir.file("a.jpg"), picture);
    fixtures::writeBmp24(dir.file("a.bmp"), picture);
    std::vector<uint8_t> indices(300 * 200);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(i * 7);
    std::vector<uint32_t> palette(256);
    for (uint32_t i = 0; i < 256; ++i) palette[i] = i * 0x010101u;
    fixtures::writeGif(dir.file("a.gif"), 300, 200, palette, {{0, 0, 300, 200, indices}});
    for (const char* name : {"a.tif", "a.png", "a.jpg", "a.bmp", "a.gif"}) {
        SCOPED_TRACE(name);
        ASSERT_NE(fixtures::load(dir.file(name))->NativeHandle, nullptr) << "the intact file decodes";
        const std::string cut = dir.file(std::string("cut-") + name);
        fixtures::writeBytes(cut, truncated(dir.file(name), 0.6));
        expectUndecodable(cut);
    }
}

// JPEG data that stops at a marker after its first rows (strips joined as tiff2pdf joins them,
// a transfer cut short and closed): the picture libjpeg pads with grey is kept, and says
// from which row it is grey.
TEST(Malformed, JpegDataStoppedAtAMarkerSaysWhere) {
    TempDir dir;
    fixtures::writeJpeg(dir.file("a.jpg"), fixtures::gradient(64, 64, 3));
    std::vector<uint8_t> bytes = fixtures::readBytes(dir.file("a.jpg"));
    size_t scan = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) scan = i;
    ASSERT_GT(scan, 0u);
    bytes.resize(scan + (bytes.size() - scan) * 2 / 5);
    if (bytes.back() == 0xFF) bytes.pop_back();
    bytes.insert(bytes.end(), {0xFF, 0xD9});
    fixtures::writeBytes(dir.file("stopped.jpg"), bytes);
    auto image = fixtures::load(dir.file("stopped.jpg"));
    ASSERT_NE(image->NativeHandle, nullptr);
    const std::string warning = image->frameWarning();
    const size_t at = warning.find("the JPEG data ends after row ");
    ASSERT_NE(at, std::string::npos) << warning;
    const unsigned row = static_cast<unsigned>(std::stoul(warning.substr(at + 29)));
    EXPECT_GT(row, 0u);
    EXPECT_LT(row, 64u);
    EXPECT_EQ(row % 8, 0u) << "a whole row of blocks";
    EXPECT_EQ(fixtures::pixel(*image, 10, 63) & 0xFFFFFF, 0x808080u) << "libjpeg's grey below it";
}

TEST(Malformed, SizesThatLie) {
    TempDir dir;
    // A TIFF claiming 1,000,000 x 1,000,000 pixels with a few bytes of data.
    fixtures::writeBytes(dir.file("huge.tif"),
                         tiffWithEntries({{256, 4, 1000000}, {257, 4, 1000000}, {258, 3, 8},
                                          {259, 3, 1}, {262, 3, 1}, {273, 4, 8},
                                          {278, 4, 1000000}, {279, 4, 16}}));
    expectUndecodable(dir.file("huge.tif"));

    // A PNG claiming 100000 x 100000 with valid checksums.
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr = {0, 1, 0x86, 0xA0, 0, 1, 0x86, 0xA0, 8, 2, 0, 0, 0};
    for (const auto& chunk : {pngChunk("IHDR", ihdr), pngChunk("IDAT", {0x78, 0x9C, 0x03, 0, 0, 0, 0, 1}),
                              pngChunk("IEND", {})})
        png.insert(png.end(), chunk.begin(), chunk.end());
    fixtures::writeBytes(dir.file("huge.png"), png);
    expectUndecodable(dir.file("huge.png"));

    // A BMP whose pixels would start past its end.
    std::vector<uint8_t> bmp = fixtures::readBytes(dir.file("huge.png"));
    fixtures::writeBmp24(dir.file("offset.bmp"), fixtures::gradient(4, 4, 3));
    bmp = fixtures::readBytes(dir.file("offset.bmp"));
    fixtures::putLe32(bmp, 10, 1u << 30);
    fixtures::writeBytes(dir.file("offset.bmp"), bmp);
    expectUndecodable(dir.file("offset.bmp"));

    // A BMP claiming 2^30 x 2^30 pixels.
    fixtures::writeBmp24(dir.file("wide.bmp"), fixtures::gradient(4, 4, 3));
    bmp = fixtures::readBytes(dir.file("wide.bmp"));
    fixtures::putLe32(bmp, 18, 1u << 30);
    fixtures::putLe32(bmp, 22, 1u << 30);
    fixtures::writeBytes(dir.file("wide.bmp"), bmp);
    expectUndecodable(dir.file("wide.bmp"));
}

TEST(Malformed, GifFrameOutsideItsScreen) {
    TempDir dir;
    fixtures::writeGif(dir.file("off.gif"), 10, 10, {0xFF0000, 0x00FF00},
                       {{1000, 1000, 4, 4, std::vector<uint8_t>(16, 1)}});
    expectUndecodable(dir.file("off.gif"));
}

TEST(Malformed, TiffDirectoryLoopEndsTheCount) {
    TempDir dir;
    // One directory whose next pointer leads back to itself.
    std::vector<uint8_t> loop = tiffWithEntries(
        {{256, 3, 2}, {257, 3, 2}, {258, 3, 8}, {259, 3, 1}, {262, 3, 1}, {273, 4, 200},
         {278, 3, 2}, {279, 4, 4}},
        8);
    loop.resize(210, 0x80);
    fixtures::writeBytes(dir.file("loop.tif"), loop);
    auto image = fixtures::load(dir.file("loop.tif"));
    GUID page = FrameDimensionPage;
    ASSERT_NE(image->NativeHandle, nullptr) << "the page itself is sound";
    EXPECT_EQ(image->CountFrames(&page), 1u);
}

TEST(Malformed, TextNamedLikeAPicture) {
    TempDir dir;
    const std::string text = "II*\nthis is a note, not a scan\n";
    fixtures::writeBytes(dir.file("note.tif"), {text.begin(), text.end()});
    expectUndecodable(dir.file("note.tif"));
    fixtures::writeBytes(dir.file("empty.png"), {});
    expectUndecodable(dir.file("empty.png"));
}

// Deterministic damage to sound files: every variant decodes or fails, and nothing else.
TEST(Malformed, ScatteredDamageNeverCrashes) {
    TempDir dir;
    const fixtures::Picture picture = fixtures::gradient(40, 30, 3);
    fixtures::writeTiff(dir.file("s.tif"), {{TiffKind::Bilevel, 64, 40, COMPRESSION_CCITTFAX4},
                                            {TiffKind::Palette8, 20, 20, COMPRESSION_LZW},
                                            {TiffKind::Rgb, 40, 30, COMPRESSION_JPEG}});
    fixtures::writePng(dir.file("s.png"), picture);
    fixtures::writeJpeg(dir.file("s.jpg"), picture);
    fixtures::writeBmp24(dir.file("s.bmp"), picture);
    fixtures::writeGif(dir.file("s.gif"), 40, 30, {0, 0xFFFFFF, 0xFF0000},
                       {{0, 0, 40, 30, std::vector<uint8_t>(1200, 1)},
                        {5, 5, 10, 10, std::vector<uint8_t>(100, 2), 0, 2}});
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    int decoded = 0, refused = 0;
    for (const char* name : {"s.tif", "s.png", "s.jpg", "s.bmp", "s.gif"}) {
        const std::vector<uint8_t> original = fixtures::readBytes(dir.file(name));
        for (int variant = 0; variant < 60; ++variant) {
            std::vector<uint8_t> bytes = original;
            const int flips = 1 + static_cast<int>(next() % 4);
            for (int i = 0; i < flips; ++i)
                bytes[(next() >> 8) % std::min<size_t>(bytes.size(), 200 + variant * 40)] ^=
                    static_cast<uint8_t>(1 + next() % 255);
            const std::string path = dir.file(std::string("v-") + name);
            fixtures::writeBytes(path, bytes);
            auto image = fixtures::load(path);
            if (!image->NativeHandle) {
                ++refused;
                continue;
            }
            GUID dimension{};
            EXPECT_EQ(image->ListFrameDimensions(&dimension, 1), Ok);
            const uint32_t count = image->CountFrames(&dimension);
            for (uint32_t k = 0; k < count && k < 8; ++k) {
                // A damaged page may fail alone; a page that decodes has a sane size and
                // makes a thumbnail of the size asked for.
                const bool pageDecoded = image->ActivateFrame(&dimension, k) == Ok;
                const uint64_t w = image->PixelWidth(), h = image->PixelHeight();
                EXPECT_EQ(pageDecoded, w > 0 && h > 0);
                EXPECT_LE(w * h, uint64_t{1} << 28);
                std::unique_ptr<TGPImage> thumbnail(image->MakeThumbnail(12, 12));
                EXPECT_EQ(thumbnail->PixelWidth(), pageDecoded ? 12u : 0u);
            }
            ++decoded;
        }
    }
    // Some damage must be noticed, and some must leave a readable file: a run where either
    // count is zero has stopped exercising what it was written for.
    EXPECT_GT(refused, 0);
    EXPECT_GT(decoded, 0);
}

}  // namespace

int main(int argc, char** argv) {
#if !defined(ORVELLE_SANITIZED)
    const rlimit limit{rlim_t{1} << 30, rlim_t{1} << 30};
    if (setrlimit(RLIMIT_AS, &limit) != 0) std::perror("setrlimit");
#endif
    ::testing::InitGoogleTest(&argc, argv);
    ImagingSession::open();
    const int status = RUN_ALL_TESTS();
    ImagingSession::close();
    return status;
}
