// A JPEG file taken apart without decoding it: its frame header, what its application
// segments say (JFIF density, EXIF, the colour profile, Adobe's colour transform), and the
// stream itself without those segments, which a JPEG-compressed TIFF page can hold as its
// one strip: the entropy-coded data stays byte for byte what the camera wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "exif.h"
#include "../codecs/resolution.h"
#include "../codecs/stored_image.h"

namespace gdip::codecs {

struct JpegStream {
    uint8_t frameMarker = 0;  // 0xC0 to 0xCF but 0xC4, 0xC8, 0xCC
    uint8_t precision = 0;    // bits per sample
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t components = 0;
    uint8_t ids[4] = {};
    uint8_t horizontal[4] = {};  // sampling factors
    uint8_t vertical[4] = {};
    bool jfif = false;
    uint8_t densityUnit = 0;  // JFIF's: 0 none, 1 inch, 2 centimetre
    uint16_t xDensity = 0;
    uint16_t yDensity = 0;
    int adobeTransform = -1;  // Adobe's APP14 colour transform; -1 when absent
    bool exif = false;
    ExifFacts exifFacts;
    std::string iccProfile;  // from the APP2 chunks, when all are there
    std::string strip;       // the stream without its APPn and COM segments
};

// What a JPEG says of its size on paper, for the decoder and the copier alike: the JFIF
// segment's density (`jfif`) in inches or centimetres, or a pixel aspect other than 1:1
// without unit (1:1 is what many writers add by rote); else EXIF's resolution (`exif`, zero
// when none) in inches, centimetres, or without unit as an aspect. Values past any real
// resolution, and units neither defines, give none.
PageResolution jpegResolution(bool jfif, uint8_t densityUnit, uint16_t xDensity, uint16_t yDensity,
                              const ExifFacts& exif);
PageResolution jpegResolution(const JpegStream& stream);

// Takes apart a whole JPEG file held in `bytes` (its strip only `withStrip`). False, with
// `why`, when it is not a complete JPEG stream (no frame header, no scan, no end). Unless
// `whole`, `bytes` is the file's beginning only: what comes before the first scan is read,
// and the caller makes sure of the end.
bool readJpegStream(const uint8_t* bytes, size_t size, JpegStream& stream, std::string& why, bool withStrip = true,
                    bool whole = true);

// How a TIFF page would describe the stream, or why it cannot: TIFF readers decode only
// 8-bit sequential Huffman-coded JPEG of one or three components, with chroma sampled as
// TIFF's YCbCrSubsampling can say.
struct JpegPageShape {
    bool storable = false;
    std::string why;           // when not
    uint16_t photometric = 0;  // TIFF's: 1 grey, 2 RGB, 6 YCbCr
    uint16_t subsampleX = 1;
    uint16_t subsampleY = 1;
};
JpegPageShape jpegPageShape(const JpegStream& stream);

// Describes the JPEG file taken apart as `stream` as a picture a PDF holds as it is (8-bit,
// sequential or progressive Huffman coding, grey, colour or CMYK); the caller says where its
// bytes are. False, with `why`, when a PDF reader could not decode it.
bool jpegAsStoredImage(const JpegStream& stream, StoredImage& image, std::string& why);

}  // namespace gdip::codecs
