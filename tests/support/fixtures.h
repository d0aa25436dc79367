// Test fixtures: a scratch folder, an open imaging session, and pictures written directly with
// libtiff, libpng, giflib and libjpeg (never with the code under test).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "imaging/gdipobj.h"

namespace fixtures {

namespace fs = std::filesystem;

fs::path corpusDir();

// The public corpus is beside the project in a full checkout, but a clone alone has none:
// tests that read it then do not exist (one gate test says why, see CorpusFacts), unless
// ORVELLE_REQUIRE_CORPUS=1 makes its absence a failure.
bool corpusPresent();
bool corpusRequired();

template <typename T>
std::vector<T> whenCorpusPresent(std::vector<T> cases) {
    if (!corpusPresent()) cases.clear();
    return cases;
}

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

// A picture in memory: 8-bit samples, `channels` per pixel (1 grey, 3 RGB, 4 RGBA), row-major.
struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    int channels = 3;
    std::vector<uint8_t> samples;

    uint8_t* at(uint32_t x, uint32_t y) { return &samples[(size_t{y} * width + x) * channels]; }
    const uint8_t* at(uint32_t x, uint32_t y) const {
        return &samples[(size_t{y} * width + x) * channels];
    }
};

// A deterministic picture with distinct neighbouring pixels.
Picture gradient(uint32_t width, uint32_t height, int channels);

// --- TIFF ------------------------------------------------------------------------------------
enum class TiffKind { Bilevel, Grey8, Palette8, Rgb, Rgba, Grey4 };

struct TiffPage {
    TiffKind kind = TiffKind::Rgb;
    uint32_t width = 8;
    uint32_t height = 8;
    uint16_t compression = 1;  // COMPRESSION_NONE
    bool minIsWhite = false;   // bilevel and grey
    bool tiled = false;
    float dpi = 0;  // 0: no resolution tags
    uint16_t orientation = 1;
};

// Writes the pages in order; the pixels follow `gradient` (thresholded for bilevel).
void writeTiff(const std::string& path, const std::vector<TiffPage>& pages);

// The pixel the writer stored at (x, y) of a page, as ARGB.
uint32_t tiffPagePixel(const TiffPage& page, uint32_t x, uint32_t y);

// Writes `picture` (grey or RGB) as a one-page TIFF; with JPEG compression, RGB is stored as
// subsampled YCbCr.
void writePictureTiff(const std::string& path, const Picture& picture, uint16_t compression);

// --- PNG, JPEG, GIF, BMP -------------------------------------------------------------------
void writePng(const std::string& path, const Picture& picture, double dpi = 0);
void writeJpeg(const std::string& path, const Picture& picture, int quality = 95, int dpi = 0);

// A picture of 16-bit samples: `channels` (1 grey, 2 grey and alpha, 3 RGB, 4 RGBA) per
// pixel, sample c of pixel (x, y) being deepSample(x, y, c).
uint16_t deepSample(uint32_t x, uint32_t y, uint32_t c);
void writeDeepPng(const std::string& path, uint32_t width, uint32_t height, int channels);
// The same as a TIFF page, LZW-coded; stored min-is-white (every sample inverted) when asked.
void writeDeepTiff(const std::string& path, uint32_t width, uint32_t height, int channels, bool minIsWhite = false);

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> indices;  // width * height
    int transparent = -1;
    int disposal = 0;
};
void writeGif(const std::string& path, int screenWidth, int screenHeight,
              const std::vector<uint32_t>& paletteRgb, const std::vector<GifFrame>& frames);

// A 24-bit bottom-up BMP with the given pixels per metre.
void writeBmp24(const std::string& path, const Picture& picture, int32_t pelsPerMeter = 0);

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Overwrites the first bytes of page `index`'s (from 0) first strip with `fill`: 0xFF is no
// LZW code, and no fax code runs 8 zero bits.
void spoilPage(const std::string& path, uint16_t index, uint8_t fill = 0xFF);
std::vector<uint8_t> readBytes(const std::string& path);

// The largest difference of any channel (alpha included) between two ARGB colours.
int channelDistance(uint32_t a, uint32_t b);

// --- the code under test ----------------------------------------------------------------------
std::unique_ptr<orvelle::TGPImage> load(const std::string& path);
// The class of the encoder of `mime`.
orvelle::GUID encoderFor(const char* mime);
uint32_t pixel(orvelle::TGPImage& image, uint32_t x, uint32_t y);

}  // namespace fixtures
