#include "jpeg_page.h"

#include "../codecs/tiff/tiff_metadata.h"
#include "../page_metadata.h"
#include "fax_pages.h"

namespace gdip::codecs {

namespace {

// What a JPEG file says of itself: JFIF's density first, as decoders read it, EXIF's when
// JFIF gives none; EXIF's orientation; the colour profile.
void setStreamFacts(TIFF* out, const JpegStream& stream) {
    const ExifFacts& exif = stream.exifFacts;
    writeResolution(out, jpegResolution(stream));
    if (stream.exif && exif.orientation > 1) TIFFSetField(out, TIFFTAG_ORIENTATION, exif.orientation);
    if (profileFits(stream.iccProfile, stream.components == 1))
        TIFFSetField(out, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(stream.iccProfile.size()),
                     stream.iccProfile.data());
}

}  // namespace

GpStatus storeJpegPage(const JpegStream& stream, const JpegPageShape& shape, TiffPageWriter& writer,
                       const StoredImage* page, uint16_t orientation) {
    return writer.addFilledPage(stream.strip.size(), [&](TIFF* out) {
        TIFFSetField(out, TIFFTAG_IMAGEWIDTH, stream.width);
        TIFFSetField(out, TIFFTAG_IMAGELENGTH, stream.height);
        TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(stream.components));
        TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
        TIFFSetField(out, TIFFTAG_PHOTOMETRIC, shape.photometric);
        TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, stream.height);
        if (shape.photometric == PHOTOMETRIC_YCBCR) {
            TIFFSetField(out, TIFFTAG_YCBCRSUBSAMPLING, shape.subsampleX, shape.subsampleY);
            static const float kBlackWhite[6] = {0, 255, 128, 255, 128, 255};
            TIFFSetField(out, TIFFTAG_REFERENCEBLACKWHITE, kBlackWhite);
        }
        if (page) {
            // A document's page says how it is drawn: its resolution and turn, its picture's
            // colour space; the stream's own segments are not read by a PDF reader.
            setStoredPageFacts(out, *page);
            if (profileFits(page->meta.iccProfile, stream.components == 1))
                TIFFSetField(out, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(page->meta.iccProfile.size()),
                             page->meta.iccProfile.data());
        } else {
            setStreamFacts(out, stream);
        }
        if (orientation != 0) TIFFSetField(out, TIFFTAG_ORIENTATION, orientation);
        const tmsize_t bytes = static_cast<tmsize_t>(stream.strip.size());
        return TIFFWriteRawStrip(out, 0, const_cast<char*>(stream.strip.data()), bytes) == bytes ? Ok : Win32Error;
    });
}

}  // namespace gdip::codecs
