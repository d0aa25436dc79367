// The few EXIF facts a page needs: how the camera held it, and its resolution when a JPEG
// has no JFIF density (cameras and scanning apps often write only EXIF).
#pragma once

#include <cstddef>
#include <cstdint>

namespace gdip::codecs {

struct ExifFacts {
    uint16_t orientation = 0;  // 1 to 8; 0 when not given
    double xResolution = 0;    // 0 when not given
    double yResolution = 0;
    uint16_t resolutionUnit = 2;  // TIFF's numbering: 1 none, 2 inch, 3 centimetre
};

// Reads the first image directory of an APP1 segment's payload ("Exif\0\0" and the TIFF
// structure after it). False when it is not EXIF; whatever lies outside the payload or is
// malformed is left unread.
bool readExif(const uint8_t* payload, size_t size, ExifFacts& facts);

}  // namespace gdip::codecs
