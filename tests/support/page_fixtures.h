// Fixtures for pages kept as they are: TIFF pages in many stored layouts with every tag a
// page carries, JPEG files with EXIF and colour profiles, all written with libtiff and
// libjpeg directly; and readers of what a TIFF stores (raw strips, tags) and of the
// profiles PNG and JPEG files carry.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace fixtures {

// A small but well-formed ICC profile of the colour space `space` ("RGB ", "GRAY", "CMYK").
std::string iccProfile(const char* space);

// How a TIFF page is stored.
struct StoredLayout {
    std::string name;
    uint16_t compression = 1;
    uint16_t photometric = 2;
    uint16_t samples = 3;
    uint16_t bits = 8;
    uint16_t fillOrder = 1;
    uint16_t predictor = 1;
    uint16_t planar = 1;
    bool tiled = false;
};

// Writes one page of 40 x 24 in `layout`, with orientation 6, a resolution without unit
// (204 x 196), the nine text tags, XMP and an ICC profile of the page's colour space.
void writeStoredPage(const std::string& path, const StoredLayout& layout);

// Each strip or tile of page `page` as stored.
std::vector<std::vector<uint8_t>> rawPieces(const std::string& path, uint16_t page);

// The tags of page `page` that describe its stored data and what it says of itself (all but
// the page's type and number), each as text.
std::map<uint32_t, std::string> describingTags(const std::string& path, uint16_t page);

struct JpegExtras {
    int quality = 92;
    int jfifDpi = 0;            // the JFIF segment's density, per inch; 0: none
    bool progressive = false;
    bool jfif = true;           // a JFIF segment (without density)
    uint16_t orientation = 0;   // an EXIF block with this orientation; 0: none
    uint32_t exifDpi = 0;       // its resolution, per inch; 0: none
    std::string profile;        // APP2 colour profile; empty: none
};
void writeJpegWith(const std::string& path, const Picture& picture, const JpegExtras& extras);

// The colour profile a file carries; empty when none.
std::string pngProfile(const std::string& path);
std::string jpegProfile(const std::string& path);
std::string tiffProfile(const std::string& path, uint16_t page);

// Bytes of a JPEG file from its first SOS marker to its end: the entropy-coded data.
std::vector<uint8_t> jpegScanData(const std::vector<uint8_t>& file);

}  // namespace fixtures
