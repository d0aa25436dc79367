#include "jpeg_stream.h"

#include "../image_limits.h"

#include <cstring>
#include <map>

namespace gdip::codecs {
namespace {

uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

bool isFrameMarker(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

void readApplicationSegment(uint8_t marker, const uint8_t* payload, size_t length, JpegStream& stream,
                            std::map<uint8_t, std::string>& iccChunks, uint8_t& iccCount) {
    if (marker == 0xE0 && length >= 12 && std::memcmp(payload, "JFIF\0", 5) == 0) {
        stream.jfif = true;
        stream.densityUnit = payload[7];
        stream.xDensity = be16(payload + 8);
        stream.yDensity = be16(payload + 10);
    } else if (marker == 0xE1 && !stream.exif) {
        stream.exif = readExif(payload, length, stream.exifFacts);
    } else if (marker == 0xE2 && length > 14 && std::memcmp(payload, "ICC_PROFILE\0", 12) == 0) {
        iccCount = payload[13];
        iccChunks[payload[12]].assign(reinterpret_cast<const char*>(payload + 14), length - 14);
    } else if (marker == 0xEE && length >= 12 && std::memcmp(payload, "Adobe", 5) == 0) {
        stream.adobeTransform = payload[11];
    }
}

}  // namespace

bool readJpegStream(const uint8_t* bytes, size_t size, JpegStream& stream, std::string& why, bool withStrip,
                    bool whole) {
    stream = JpegStream{};
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
        why = "not a JPEG stream";
        return false;
    }
    // The stream ends at its last EOI marker; anything after it is not the picture's.
    size_t end = size;
    while (whole && end >= 4 && !(bytes[end - 2] == 0xFF && bytes[end - 1] == 0xD9)) --end;
    if (end < 4) {
        why = "the JPEG data ends early";
        return false;
    }
    std::map<uint8_t, std::string> iccChunks;
    uint8_t iccCount = 0;
    if (withStrip) stream.strip.assign("\xFF\xD8", 2);
    size_t at = 2;
    while (true) {
        // Markers may be preceded by any number of fill bytes.
        while (at < end && bytes[at] == 0xFF && at + 1 < end && bytes[at + 1] == 0xFF) ++at;
        if (at + 4 > end || bytes[at] != 0xFF) {
            why = "the JPEG data has no scan";
            return false;
        }
        const uint8_t marker = bytes[at + 1];
        const size_t length = be16(bytes + at + 2);
        if (length < 2 || at + 2 + length > end) {
            why = "a JPEG segment runs past the end of the data";
            return false;
        }
        const uint8_t* payload = bytes + at + 4;
        if (marker == 0xDA) {
            if (stream.components == 0) {
                why = "the JPEG data has no frame header";
                return false;
            }
            // The scans and everything between them, as they are, to the end of the stream.
            if (withStrip) stream.strip.append(reinterpret_cast<const char*>(bytes + at), end - at);
            break;
        }
        if ((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE) {
            readApplicationSegment(marker, payload, length - 2, stream, iccChunks, iccCount);
        } else {
            if (isFrameMarker(marker)) {
                if (length < 8) {
                    why = "the JPEG frame header is too short";
                    return false;
                }
                stream.frameMarker = marker;
                stream.precision = payload[0];
                stream.height = be16(payload + 1);
                stream.width = be16(payload + 3);
                stream.components = payload[5];
                if (stream.components == 0 || length < 8 + 3u * stream.components) {
                    why = "the JPEG frame header is too short";
                    return false;
                }
                for (uint8_t c = 0; c < stream.components && c < 4; ++c) {
                    stream.ids[c] = payload[6 + 3 * c];
                    stream.horizontal[c] = payload[7 + 3 * c] >> 4;
                    stream.vertical[c] = payload[7 + 3 * c] & 15;
                }
            }
            if (withStrip) stream.strip.append(reinterpret_cast<const char*>(bytes + at), length + 2);
        }
        at += 2 + length;
    }
    if (iccCount > 0 && iccChunks.size() == iccCount) {
        for (uint8_t k = 1; k <= iccCount; ++k) {
            const auto chunk = iccChunks.find(k);
            if (chunk == iccChunks.end()) {
                stream.iccProfile.clear();
                break;
            }
            stream.iccProfile += chunk->second;
        }
    }
    return true;
}

JpegPageShape jpegPageShape(const JpegStream& s) {
    JpegPageShape shape;
    auto refuse = [&shape](const char* why) {
        shape.why = why;
        return shape;
    };
    if (s.frameMarker == 0xC2 || s.frameMarker == 0xC6 || s.frameMarker == 0xCA || s.frameMarker == 0xCE)
        return refuse("a progressive JPEG cannot be kept as it is in a TIFF page");
    if (s.frameMarker >= 0xC9) return refuse("an arithmetic-coded JPEG cannot be kept as it is in a TIFF page");
    if (s.frameMarker != 0xC0 && s.frameMarker != 0xC1)
        return refuse("a lossless or hierarchical JPEG cannot be kept as it is in a TIFF page");
    if (s.precision != 8) return refuse("a JPEG of other than 8 bits cannot be kept as it is in a TIFF page");
    if (s.components != 1 && s.components != 3)
        return refuse("a CMYK JPEG cannot be kept as it is in a TIFF page");
    if (s.width == 0 || s.height == 0) return refuse("the JPEG gives its height only after its data");
    bool rgb = false;
    if (s.components == 3) {
        rgb = s.adobeTransform == 0 ||
              (s.adobeTransform < 0 && !s.jfif && s.ids[0] == 'R' && s.ids[1] == 'G' && s.ids[2] == 'B');
    }
    const bool ycbcr = s.components == 3 && !rgb;
    const uint8_t h = s.horizontal[0], v = s.vertical[0];
    for (uint8_t c = 1; c < s.components; ++c)
        if (s.horizontal[c] != 1 || s.vertical[c] != 1)
            return refuse("the JPEG's chroma sampling has no TIFF equivalent");
    if (!ycbcr && (h != 1 || v != 1)) return refuse("the JPEG's sampling has no TIFF equivalent");
    if (ycbcr && (!(h == 1 || h == 2 || h == 4) || !(v == 1 || v == 2 || v == 4) || v > h))
        return refuse("the JPEG's chroma sampling has no TIFF equivalent");
    shape.storable = true;
    shape.photometric = s.components == 1 ? 1 : rgb ? 2 : 6;
    shape.subsampleX = ycbcr ? h : 1;
    shape.subsampleY = ycbcr ? v : 1;
    return shape;
}

bool jpegAsStoredImage(const JpegStream& s, StoredImage& image, std::string& why) {
    if (s.frameMarker != 0xC0 && s.frameMarker != 0xC1 && s.frameMarker != 0xC2) {
        why = "an arithmetic-coded, lossless or hierarchical JPEG cannot be kept as it is in a PDF page";
        return false;
    }
    if (s.precision != 8 || (s.components != 1 && s.components != 3 && s.components != 4) || s.width == 0 ||
        s.height == 0) {
        why = "the JPEG cannot be kept as it is in a PDF page";
        return false;
    }
    image = StoredImage{};
    image.coding = StoredImage::Coding::Jpeg;
    image.width = s.width;
    image.height = s.height;
    image.components = s.components;
    // Adobe's CMYK JPEGs store their samples inverted.
    image.invertedCmyk = s.components == 4 && s.adobeTransform >= 0;
    const ExifFacts& exif = s.exifFacts;
    const PageResolution resolution = jpegResolution(s);
    image.dpiX = resolution.dpiX;
    image.dpiY = resolution.dpiY;
    image.meta.aspectX = resolution.aspectX;
    image.meta.aspectY = resolution.aspectY;
    if (s.exif && exif.orientation >= 1 && exif.orientation <= 8) image.meta.orientation = exif.orientation;
    image.meta.iccProfile = s.iccProfile;
    return true;
}

PageResolution jpegResolution(bool jfif, uint8_t densityUnit, uint16_t xDensity, uint16_t yDensity,
                              const ExifFacts& exif) {
    PageResolution r;
    const auto sensible = [](double x, double y) {
        return x > 0 && y > 0 && x < Limits::kMaxResolutionDpi && y < Limits::kMaxResolutionDpi;
    };
    if (jfif && sensible(xDensity, yDensity)) {
        if (densityUnit == 0 && xDensity != yDensity) {
            r.aspectX = xDensity, r.aspectY = yDensity;
            return r;
        }
        if (densityUnit == 1 || densityUnit == 2) {
            const double perInch = densityUnit == 2 ? 2.54 : 1.0;
            r.dpiX = xDensity * perInch, r.dpiY = yDensity * perInch;
            return r;
        }
    }
    if (!sensible(exif.xResolution, exif.yResolution)) return r;
    if (exif.resolutionUnit == 1) {
        r.aspectX = exif.xResolution, r.aspectY = exif.yResolution;
    } else if (exif.resolutionUnit == 2 || exif.resolutionUnit == 3) {
        const double perInch = exif.resolutionUnit == 3 ? 2.54 : 1.0;
        r.dpiX = exif.xResolution * perInch, r.dpiY = exif.yResolution * perInch;
    }
    return r;
}

PageResolution jpegResolution(const JpegStream& s) {
    return jpegResolution(s.jfif, s.densityUnit, s.xDensity, s.yDensity, s.exif ? s.exifFacts : ExifFacts{});
}

}  // namespace gdip::codecs
