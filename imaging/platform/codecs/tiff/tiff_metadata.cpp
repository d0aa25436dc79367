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

}  // namespace gdip::codecs
