#include "tiff_tags.h"

#include "../codecs/tiff/tiff_metadata.h"

namespace gdip::codecs {
namespace {

template <typename T>
void copyField(TIFF* in, TIFF* out, uint32_t tag) {
    T value{};
    if (TIFFGetField(in, tag, &value)) TIFFSetField(out, tag, value);
}

// Counted arrays: a count and a pointer.
template <typename Count, typename T>
void copyCounted(TIFF* in, TIFF* out, uint32_t tag) {
    Count count = 0;
    T* values = nullptr;
    if (TIFFGetField(in, tag, &count, &values) && values && count > 0) TIFFSetField(out, tag, count, values);
}

// Arrays whose length the tag fixes.
void copyFloats(TIFF* in, TIFF* out, uint32_t tag) {
    float* values = nullptr;
    if (TIFFGetField(in, tag, &values) && values) TIFFSetField(out, tag, values);
}

}  // namespace

// Every tag that says how to read the stored data, then what the page says of itself. The
// compression goes first: its own tags (the predictor, the JPEG tables, the fax options)
// exist only once it is set.
void copyTags(TIFF* in, TIFF* out, uint16_t compression, uint16_t bits, bool tiled) {
    copyField<uint32_t>(in, out, TIFFTAG_IMAGEWIDTH);
    copyField<uint32_t>(in, out, TIFFTAG_IMAGELENGTH);
    copyField<uint16_t>(in, out, TIFFTAG_BITSPERSAMPLE);
    copyField<uint16_t>(in, out, TIFFTAG_SAMPLESPERPIXEL);
    TIFFSetField(out, TIFFTAG_COMPRESSION, compression);
    for (const uint32_t tag : {TIFFTAG_PHOTOMETRIC, TIFFTAG_PLANARCONFIG, TIFFTAG_FILLORDER, TIFFTAG_SAMPLEFORMAT,
                               TIFFTAG_ORIENTATION, TIFFTAG_RESOLUTIONUNIT, TIFFTAG_YCBCRPOSITIONING, TIFFTAG_INKSET,
                               TIFFTAG_THRESHHOLDING})
        copyField<uint16_t>(in, out, tag);
    for (const uint32_t tag : {TIFFTAG_XRESOLUTION, TIFFTAG_YRESOLUTION, TIFFTAG_XPOSITION, TIFFTAG_YPOSITION})
        copyField<float>(in, out, tag);
    if (compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE ||
        compression == COMPRESSION_DEFLATE || compression == COMPRESSION_ZSTD || compression == COMPRESSION_LZMA)
        copyField<uint16_t>(in, out, TIFFTAG_PREDICTOR);
    if (compression == COMPRESSION_CCITTFAX3) copyField<uint32_t>(in, out, TIFFTAG_GROUP3OPTIONS);
    if (compression == COMPRESSION_CCITTFAX4) copyField<uint32_t>(in, out, TIFFTAG_GROUP4OPTIONS);
    if (compression == COMPRESSION_JPEG) copyCounted<uint32_t, void>(in, out, TIFFTAG_JPEGTABLES);
    if (tiled) {
        copyField<uint32_t>(in, out, TIFFTAG_TILEWIDTH);
        copyField<uint32_t>(in, out, TIFFTAG_TILELENGTH);
    } else {
        uint32_t rows = 0;
        TIFFGetFieldDefaulted(in, TIFFTAG_ROWSPERSTRIP, &rows);
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, rows);
    }
    copyCounted<uint16_t, uint16_t>(in, out, TIFFTAG_EXTRASAMPLES);
    uint16_t subX = 0, subY = 0;
    if (TIFFGetField(in, TIFFTAG_YCBCRSUBSAMPLING, &subX, &subY)) TIFFSetField(out, TIFFTAG_YCBCRSUBSAMPLING, subX, subY);
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (bits <= 16 && TIFFGetField(in, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue)
        TIFFSetField(out, TIFFTAG_COLORMAP, red, green, blue);
    for (const uint32_t tag : {TIFFTAG_REFERENCEBLACKWHITE, TIFFTAG_YCBCRCOEFFICIENTS, TIFFTAG_WHITEPOINT,
                               TIFFTAG_PRIMARYCHROMATICITIES})
        copyFloats(in, out, tag);
    copyCounted<uint32_t, void>(in, out, TIFFTAG_XMLPACKET);
    PageMetadata meta;
    readPageMetadata(in, meta);
    writeTextTags(out, meta);
    // As stored, whatever its space: the data it describes is unchanged.
    if (!meta.iccProfile.empty())
        TIFFSetField(out, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(meta.iccProfile.size()), meta.iccProfile.data());
}

}  // namespace gdip::codecs
