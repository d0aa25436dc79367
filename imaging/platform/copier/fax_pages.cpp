#include "fax_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "../image_limits.h"
#include "../codecs/codec.h"
#include "../codecs/palette_classes.h"
#include "../codecs/tiff/g4_strip.h"
#include "../codecs/tiff/tiff_glue.h"
#include "../codecs/tiff/tiff_metadata.h"

namespace gdip::codecs {
namespace {

// A TIFF handle writing into a file in memory, which `fd` keeps after the handle is closed
// (the handle closes a descriptor of its own).
TiffPtr openMemoryTiff(UniqueFd& fd, TiffErrors& errors) {
    fd = UniqueFd(memfd_create("fax", MFD_CLOEXEC));
    if (fd.get() < 0) return nullptr;
    TiffOptionsPtr options = tiffOpenOptions(errors);
    UniqueFd own(::dup(fd.get()));
    if (!options || own.get() < 0) return nullptr;
    TiffPtr tif(TIFFFdOpenExt(own.get(), "", "w", options.get()));
    if (tif) (void)own.release();
    return tif;
}

void setFaxTags(TIFF* tif, const StoredImage& image, uint16_t compression) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, image.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, image.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, image.blackIs1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, image.height);
}

}  // namespace

GpStatus encodeFaxImage(const Frame& frame, StoredImage& image) {
    if (frame.pixelClass != PixelClass::Indexed1 || frame.empty()) return InvalidParameter;
    const PaletteShape shape = paletteShape(frame.palette, 1);
    if (shape == PaletteShape::Colour) return NotImplemented;
    image = StoredImage{};
    image.coding = StoredImage::Coding::Fax;
    image.width = frame.width;
    image.height = frame.height;
    image.blackIs1 = shape == PaletteShape::GreyRising;
    auto data = std::make_shared<std::string>();
    std::vector<uint8_t> stream;
    if (const GpStatus status = compressG4(frame.row(0), frame.stride, frame.width, frame.height, stream);
        status != Ok)
        return status;
    if (stream.size() > Limits::kMaxCodecAllocation) return OutOfMemory;
    data->assign(stream.begin(), stream.end());
    image.data = std::move(data);
    return Ok;
}

bool startsWithLineEnd(const std::string& data) {
    // An end of line is eleven 0 bits and a 1, after any fill bits; no run's code starts
    // with more than seven 0 bits, so data without them starts with a 1 sooner.
    size_t zeros = 0;
    for (const char byte : data) {
        if (byte != 0) return zeros + static_cast<size_t>(__builtin_clz(static_cast<uint8_t>(byte)) - 24) >= 11;
        zeros += 8;
    }
    return false;
}

GpStatus decodeFaxImage(const StoredImage& image, int k, bool byteAligned, bool lineEnds, Frame& frame) {
    frame = Frame{};
    if (image.width == 0 || image.height == 0 || image.bytes().empty()) return InvalidParameter;
    if (!frameAllowed(image.width, image.height, PixelClass::Indexed1)) {
        frame.failure = oversizedFrameReason(image.width, image.height);
        return InvalidParameter;
    }
    // TIFF's Group 3 needs an end of line before each row; one-dimensional data without them
    // whose rows start on a byte is TIFF's run-length coding, code for code.
    uint16_t compression = k < 0 ? COMPRESSION_CCITTFAX4 : COMPRESSION_CCITTFAX3;
    if (k >= 0 && !lineEnds) {
        if (k > 0 || !byteAligned) {
            frame.failure = "its Group 3 data has no ends of line and rows that do not start on a byte";
            return NotImplemented;
        }
        compression = COMPRESSION_CCITTRLE;
    }
    GpStatus status = OutOfMemory;
    UniqueFd fd;
    {
        TiffErrors errors;
        TiffPtr tif = openMemoryTiff(fd, errors);
        if (!tif) return Win32Error;
        setFaxTags(tif.get(), image, compression);
        if (compression == COMPRESSION_CCITTFAX3)
            TIFFSetField(tif.get(), TIFFTAG_GROUP3OPTIONS, (k > 0 ? GROUP3OPT_2DENCODING : 0u) | (byteAligned ? GROUP3OPT_FILLBITS : 0u));
        const tmsize_t bytes = static_cast<tmsize_t>(image.bytes().size());
        if (TIFFWriteRawStrip(tif.get(), 0, const_cast<char*>(image.bytes().data()), bytes) != bytes ||
            !TIFFWriteDirectory(tif.get()) || errors.failed)
            return GenericError;
    }
    if (::lseek(fd.get(), 0, SEEK_SET) != 0) return Win32Error;
    std::string reason;
    std::unique_ptr<Decoder> decoder = openTiffDecoder(std::move(fd), status, reason);
    if (!decoder) {
        frame.failure = reason;
        return status;
    }
    return decoder->readFrameAsStored(0, frame);
}

void setStoredPageFacts(TIFF* out, const StoredImage& image) {
    writeResolution(out, {image.dpiX, image.dpiY, image.meta.aspectX, image.meta.aspectY});
    if (image.meta.orientation > 1) TIFFSetField(out, TIFFTAG_ORIENTATION, image.meta.orientation);
}

GpStatus storeFaxPage(const StoredImage& image, TiffPageWriter& writer) {
    return writer.addFilledPage(image.bytes().size(), [&](TIFF* out) {
        setFaxTags(out, image, COMPRESSION_CCITTFAX4);
        setStoredPageFacts(out, image);
        const tmsize_t bytes = static_cast<tmsize_t>(image.bytes().size());
        return TIFFWriteRawStrip(out, 0, const_cast<char*>(image.bytes().data()), bytes) == bytes ? Ok : Win32Error;
    });
}

}  // namespace gdip::codecs
