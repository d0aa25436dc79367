#include "tiff_metadata.h"

#include "../../image_limits.h"

namespace gdip::codecs {

const uint16_t kPageTextTags[9] = {TIFFTAG_PAGENAME, TIFFTAG_DOCUMENTNAME, TIFFTAG_IMAGEDESCRIPTION,
                                   TIFFTAG_DATETIME, TIFFTAG_ARTIST,       TIFFTAG_MAKE,
                                   TIFFTAG_MODEL,    TIFFTAG_SOFTWARE,     TIFFTAG_COPYRIGHT};

void readPageMetadata(TIFF* tif, PageMetadata& meta) {
    uint16_t orientation = ORIENTATION_TOPLEFT;
    if (TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation) && orientation >= 1 && orientation <= 8)
        meta.orientation = orientation;
    uint32_t length = 0;
    void* profile = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &length, &profile) && profile && length > 0 &&
        length <= Limits::kMaxCodecAllocation)
        meta.iccProfile.assign(static_cast<const char*>(profile), length);
    for (const uint16_t tag : kPageTextTags) {
        const char* text = nullptr;
        if (TIFFGetField(tif, tag, &text) && text && *text) meta.text.emplace_back(tag, text);
    }
}

void writeTextTags(TIFF* tif, const PageMetadata& meta) {
    for (const auto& [tag, text] : meta.text) TIFFSetField(tif, tag, text.c_str());
}

void writePageMetadata(TIFF* tif, const PageMetadata& meta, bool writtenAsGrey) {
    writeTextTags(tif, meta);
    if (profileFits(meta.iccProfile, writtenAsGrey))
        TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(meta.iccProfile.size()), meta.iccProfile.data());
}

PageResolution readResolution(TIFF* tif) {
    PageResolution r;
    float x = 0, y = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    const bool haveX = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) && x > 0 && x < Limits::kMaxResolutionDpi;
    const bool haveY = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y) && y > 0 && y < Limits::kMaxResolutionDpi;
    if (unit == RESUNIT_NONE) {
        if (haveX && haveY) r.aspectX = x, r.aspectY = y;
        return r;
    }
    if (unit != RESUNIT_INCH && unit != RESUNIT_CENTIMETER) return r;
    const double perInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    if (haveX) r.dpiX = x * perInch;
    if (haveY) r.dpiY = y * perInch;
    return r;
}

void writeResolution(TIFF* tif, const PageResolution& r) {
    if (r.dpiX > 0 && r.dpiY > 0) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(r.dpiX));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(r.dpiY));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    } else if (r.aspectX > 0 && r.aspectY > 0) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(r.aspectX));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(r.aspectY));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_NONE);
    }
}

}  // namespace gdip::codecs
