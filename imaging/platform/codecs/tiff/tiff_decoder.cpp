// TIFF pages through libtiff. Common scan layouts (bilevel, grey, palette, 8-bit RGB with or
// without alpha) are read strip by strip into their own pixel class; everything else libtiff
// can render (YCbCr, CMYK, 16-bit, separate planes, old JPEG, LogLuv ...) goes through its RGBA
// reader in bands, so no page costs more than its own frame plus one band.
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#include "../../argb.h"
#include "../../image_limits.h"
#include "../../orientation.h"
#include "../../workers.h"
#include "../codec.h"
#include "../page_prefetch.h"
#include "../file_handle.h"
#include "band_rows.h"
#include "tile_rows.h"
#include "strip_reader.h"
#include "tiff_document.h"
#include "tiff_glue.h"
#include "tiff_metadata.h"
#include "tiff_rows.h"

namespace gdip::codecs {
namespace {

struct RgbaImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

class TiffDecoder final : public Decoder {
public:
    GpStatus open(UniqueFd fd) {
        std::string why;
        const GpStatus status = openTiffDocument(std::move(fd), m_errors, m_document, why);
        if (status != Ok) failure().note(why);
        return status;
    }

    const GUID& rawFormat() const override { return ImageFormatTIFF; }
    const GUID& frameDimension() const override { return FrameDimensionPage; }
    uint32_t frameCount() const override { return static_cast<uint32_t>(m_document.pages.size()); }
    uint32_t reducedImages() const override { return m_document.reducedImages; }

    bool frameSize(uint32_t index, uint32_t& width, uint32_t& height) override {
        if (index >= m_document.pages.size()) return false;
        m_prefetch.cancel();  // the handle is this thread's now
        m_lastRead = kNone;
        TIFF* tif = m_document.tiff.get();
        uint16_t orientation = ORIENTATION_TOPLEFT;
        if (!TIFFSetSubDirectory(tif, m_document.pages[index]) || !TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
            !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
            return false;
        // Pages stored turned a quarter are shown the other way round.
        TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
        if (orientation >= ORIENTATION_LEFTTOP) std::swap(width, height);
        return true;
    }

    // Unsigned 16-bit grey or RGB, interleaved, with at most an unassociated alpha, stored
    // upright: the layouts a PNG or a PDF holds as they are.
    GpStatus readDeepFrame(uint32_t index, DeepFrame& out) override {
        out = DeepFrame{};
        if (index >= m_document.pages.size()) return InvalidParameter;
        m_prefetch.cancel();  // the handle is this thread's now
        m_lastRead = kNone;
        m_errors.failed = false;
        m_errors.reason.clear();
        if (!TIFFSetSubDirectory(m_document.tiff.get(), m_document.pages[index])) return failed("the page's directory cannot be read");
        PageLayout l;
        // Only the sides first: a page of 8 bits is declined below whatever its size.
        if (!readLayout(l, false)) return UnknownImageFormat;
        uint16_t orientation = ORIENTATION_TOPLEFT;
        TIFFGetFieldDefaulted(m_document.tiff.get(), TIFFTAG_ORIENTATION, &orientation);
        const bool grey = l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE;
        const uint16_t colours = grey ? 1 : 3;
        const bool alpha = l.extraCount == 1 && l.extraAlpha == EXTRASAMPLE_UNASSALPHA;
        if (l.bitsPerSample != 16 || l.sampleFormat != SAMPLEFORMAT_UINT || l.planar != PLANARCONFIG_CONTIG ||
            orientation != ORIENTATION_TOPLEFT || (!grey && l.photometric != PHOTOMETRIC_RGB) ||
            (l.extraCount != 0 && !alpha) || l.samplesPerPixel != colours + l.extraCount ||
            l.compression == COMPRESSION_JPEG || l.compression == COMPRESSION_OJPEG)
            return NotImplemented;
        // A page of 16-bit samples too large to be held is refused, never written with 8.
        if (!readLayout(l)) return UnknownImageFormat;
        GpStatus status = allocateDeepFrame(out, l.width, l.height, static_cast<uint8_t>(colours), alpha);
        if (status != Ok) return status == InvalidParameter ? NotImplemented : status;
        m_page = index;
        m_jpegAsRgb = false;
        const bool inverted = l.photometric == PHOTOMETRIC_MINISWHITE;
        const RowSink sink = [&out, colours, inverted](const uint8_t* src, uint32_t y) {
            uint16_t* row = out.row(y);
            std::memcpy(row, src, out.rowSamples() * 2);
            // White is the highest level in every output that keeps 16 bits.
            if (inverted)
                for (size_t i = 0; i < out.rowSamples(); i += out.channels())
                    for (size_t c = 0; c < colours; ++c) row[i + c] = static_cast<uint16_t>(65535 - row[i + c]);
        };
        static const std::atomic<bool> kNeverStop{false};
        try {
            std::string reason;
            status = TIFFIsTiled(m_document.tiff.get())
                         ? readTiles(l, sink)
                         : m_strips.read(m_document.tiff.get(), m_errors, {m_document.pages[index], false}, l, sink, kNeverStop, reason);
            if (status == GenericError && !reason.empty()) failure().note(reason);
        } catch (const std::bad_alloc&) {
            status = OutOfMemory;
        }
        if (status != Ok) {
            if (!m_errors.reason.text().empty()) failure().note(m_errors.reason.text());
            out = DeepFrame{};
            return status;
        }
        Frame described;
        readResolution(described);
        out.dpiX = described.dpiX;
        out.dpiY = described.dpiY;
        out.meta = std::move(described.meta);
        readPageMetadata(m_document.tiff.get(), out.meta);
        return Ok;
    }

protected:
    // Pages read one after another are read one ahead, on another thread, while the caller
    // uses the page it has.
    GpStatus decodeFrame(uint32_t index, Frame& out) override {
        out = Frame{};
        if (index >= m_document.pages.size()) return InvalidParameter;
        GpStatus status = Ok;
        if (!m_prefetch.take(index, out, status)) {
            static const std::atomic<bool> kNeverStop{false};
            status = readPage(index, out, kNeverStop, false);
        }
        const bool sequential = m_lastRead != kNone && index == m_lastRead + 1;
        m_lastRead = index;
        if (sequential && GdipPagesAtOnce(out.width, out.height, m_document.pages.size() - index) > 1)
            m_prefetch.start(index + 1, [this](uint32_t next, Frame& frame, const std::atomic<bool>& stop) {
                return readPage(next, frame, stop, true);
            });
        return status;
    }

    // Pages read as stored, in strips or tiles, upright or turned (see BandRows), the largest
    // of them. A page in one fax strip is read by bands of rows from marks made in one pass
    // over its codes.
    GpStatus decodeFrameRows(uint32_t index, FrameRows& out, uint64_t fromBytes, int quarterTurns) override {
        if (index >= m_document.pages.size()) return InvalidParameter;
        m_prefetch.cancel();  // the handle is this thread's now
        m_lastRead = kNone;
        m_errors.failed = false;
        m_errors.message.clear();
        m_errors.reason.clear();
        TIFF* tif = m_document.tiff.get();
        if (!TIFFSetSubDirectory(tif, m_document.pages[index])) return failed("the page's directory cannot be read");
        std::string warning = m_errors.failed ? m_errors.message : std::string();
        PageLayout l;
        // Read by bands, the page is never held whole: only its sides are limited.
        if (!readLayout(l, false)) return UnknownImageFormat;
        const bool jpegAsRgb = l.compression == COMPRESSION_JPEG && l.photometric == PHOTOMETRIC_YCBCR &&
                               l.bitsPerSample == 8 && l.samplesPerPixel == 3;
        if (jpegAsRgb) l.photometric = PHOTOMETRIC_RGB;
        Direct kind;
        if (!pickDirect(l, kind)) return NotImplemented;
        const bool tiled = TIFFIsTiled(tif);
        uint32_t tileWidth = 0;
        if (tiled) {
            const TileRows tiles(tif, m_errors, l);
            if (tiles.usable() != Ok) return NotImplemented;
            tileWidth = tiles.tileWidth();
        }
        uint32_t rowsPerStrip = l.height;
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        const uint64_t lineBytes = TIFFScanlineSize64(tif);
        if (lineBytes == 0) return NotImplemented;
        Frame& header = out.header;
        header = Frame{};
        header.pixelClass = directPixelClass(kind, l);
        const size_t storedStride = rowStride(l.width, header.pixelClass);
        if (uint64_t{storedStride} * l.height < fromBytes || !directPalette(kind, l, header.palette))
            return NotImplemented;
        readResolution(header);
        readPageMetadata(tif, header.meta);
        // The page's own turn and the one asked for, as one: the stored orientation stays the
        // page's fact, as when a decoded page is turned.
        const uint16_t stored = header.meta.orientation;
        const uint16_t orientation = turnedOrientation(stored >= 1 && stored <= 8 ? stored : 1, quarterTurns);
        const bool onItsSide = orientationSwapsSides(orientation);
        // About a quarter of a megabyte of frame rows a band.
        const uint32_t rowsPerBand = static_cast<uint32_t>(std::max<size_t>(16, (size_t{256} << 10) / storedStride));
        std::shared_ptr<const G4Bands> g4 = tiled ? nullptr : StripRows(tif, m_errors, l).g4Bands(rowsPerBand);
        // Any other strip is read whole by each thread that reads from it: a page that is one
        // such strip of more than a band is better decoded whole, where it is held once.
        if (!tiled && !g4 &&
            (lineBytes * std::clamp<uint32_t>(rowsPerStrip, 1, l.height) > Limits::kMaxCodecAllocation ||
             (rowsPerStrip >= l.height && l.height > rowsPerBand)))
            return NotImplemented;
        // A page on its side in strips is read once for every band of its columns: when that
        // is more than a few times, it is decoded whole instead, unless it is too large to be.
        constexpr uint32_t kMostPasses = 4;
        const uint32_t columnsPerBand = BandRows::columnsPerBand(l, header.pixelClass, tileWidth);
        if (onItsSide && !tiled && !g4 && (l.width - 1) / columnsPerBand + 1 > kMostPasses &&
            frameAllowed(l.width, l.height, header.pixelClass))
            return NotImplemented;
        header.width = onItsSide ? l.height : l.width;
        header.height = onItsSide ? l.width : l.height;
        header.stride = rowStride(header.width, header.pixelClass);
        if (onItsSide) {
            std::swap(header.dpiX, header.dpiY);
            std::swap(header.meta.aspectX, header.meta.aspectY);
        }
        header.warning = std::move(warning);
        auto bands = std::make_shared<BandRows>(TIFFFileno(tif), m_document.pages[index], jpegAsRgb, l,
                                                rowConversion(kind, l), header.pixelClass, orientation, tileWidth,
                                                std::move(g4));
        out.rows = PictureRows{&header, [bands](uint32_t y, uint8_t* scratch) { return bands->row(y, scratch); }};
        out.failure = [bands] { return bands->failure(); };
        return Ok;
    }

private:
    // Reads page `index`, stopping between strips when `stop` is set; a page read ahead
    // (`ahead`) too large to be held beside the caller's is declined with Aborted. A page
    // that fails carries the reason in its frame, whichever thread read it.
    GpStatus readPage(uint32_t index, Frame& out, const std::atomic<bool>& stop, bool ahead) {
        out = Frame{};
        m_errors.failed = false;
        m_errors.message.clear();
        m_errors.reason.clear();
        const GpStatus status = readPageOnce(index, out, stop, ahead);
        if (status != Ok) {
            std::string why = m_errors.reason.text().empty() ? std::move(out.failure) : m_errors.reason.text();
            out = Frame{};
            out.failure = std::move(why);
        }
        return status;
    }

    GpStatus readPageOnce(uint32_t index, Frame& out, const std::atomic<bool>& stop, bool ahead) {
        if (!TIFFSetSubDirectory(m_document.tiff.get(), m_document.pages[index])) return failed("the page's directory cannot be read");
        // What libtiff complained of and read past (an empty entry some old writers leave) is
        // kept with the page; a page it cannot then decode still fails.
        std::string warning = m_errors.failed ? m_errors.message : std::string();
        PageLayout layout;
        if (!readLayout(layout)) return UnknownImageFormat;
        if (ahead && GdipPagesAtOnce(layout.width, layout.height, 2) < 2) return Aborted;
        m_page = index;
        // libjpeg turns subsampled YCbCr into RGB on the fly: one scan layout fewer to handle.
        m_jpegAsRgb = layout.compression == COMPRESSION_JPEG && layout.photometric == PHOTOMETRIC_YCBCR &&
                      layout.bitsPerSample == 8 && layout.samplesPerPixel == 3;
        if (m_jpegAsRgb) {
            TIFFSetField(m_document.tiff.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            layout.photometric = PHOTOMETRIC_RGB;
        }
        GpStatus status = readDirect(layout, out, stop);
        if (status == NotImplemented) status = readThroughRgba(layout, out);
        if (status != Ok) return status;
        readResolution(out);
        readPageMetadata(m_document.tiff.get(), out.meta);
        out.warning = std::move(warning);
        return Ok;
    }

    // A failure libtiff may not have worded itself.
    GpStatus failed(const char* reason) {
        m_errors.reason.note(reason);
        return GenericError;
    }

    // The page's layout; false when it cannot be read, or when the page held whole would be
    // over the size limit of one picture and it is to be held whole (`whole`).
    bool readLayout(PageLayout& layout, bool whole = true) {
        TIFF* tif = m_document.tiff.get();
        if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width) ||
            !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height))
            return false;
        TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
        TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
        TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &layout.compression);
        if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &layout.photometric))
            layout.photometric = layout.samplesPerPixel >= 3 ? PHOTOMETRIC_RGB
                                                             : PHOTOMETRIC_MINISWHITE;
        uint16_t count = 0;
        uint16_t* kinds = nullptr;
        if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds) && count > 0 && kinds) {
            layout.extraCount = count;
            layout.extraAlpha = kinds[0];
        }
        if (!whole)
            return layout.width > 0 && layout.height > 0 && layout.width <= Limits::kMaxSide && layout.height <= Limits::kMaxSide;
        // Counted in the class the page is read into: a bilevel drawing is one bit a pixel.
        Direct kind;
        const PixelClass pixelClass = pickDirect(layout, kind) ? directPixelClass(kind, layout) : PixelClass::Argb32;
        if (frameAllowed(layout.width, layout.height, pixelClass)) return true;
        m_errors.reason.note(oversizedFrameReason(layout.width, layout.height));
        return false;
    }

    void readResolution(Frame& out) {
        const PageResolution r = gdip::codecs::readResolution(m_document.tiff.get());
        out.dpiX = r.dpiX;
        out.dpiY = r.dpiY;
        out.meta.aspectX = r.aspectX;
        out.meta.aspectY = r.aspectY;
    }

    // --- scan layouts read as stored ------------------------------------------------------------

    bool readColormap(const PageLayout& l, std::vector<ARGB>& palette) {
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(m_document.tiff.get(), TIFFTAG_COLORMAP, &red, &green, &blue) || !red)
            return false;
        const size_t entries = size_t{1} << l.bitsPerSample;
        // Some writers store 8-bit values in the 16-bit map; scale only when it is really 16-bit.
        bool sixteen = false;
        for (size_t i = 0; i < entries; ++i)
            if (red[i] > 255 || green[i] > 255 || blue[i] > 255) sixteen = true;
        const int shift = sixteen ? 8 : 0;
        palette.resize(entries);
        for (size_t i = 0; i < entries; ++i)
            palette[i] = opaque(static_cast<uint8_t>(red[i] >> shift), static_cast<uint8_t>(green[i] >> shift),
                                static_cast<uint8_t>(blue[i] >> shift));
        return true;
    }

    GpStatus readDirect(const PageLayout& l, Frame& out, const std::atomic<bool>& stop) {
        Direct kind;
        if (!pickDirect(l, kind)) return NotImplemented;
        const PixelClass pixelClass = directPixelClass(kind, l);
        std::vector<ARGB> palette;
        if (!directPalette(kind, l, palette)) return NotImplemented;
        const GpStatus status = allocateFrame(out, l.width, l.height, pixelClass);
        if (status != Ok) return status;
        out.palette = std::move(palette);

        const RowConversion convert = rowConversion(kind, l);
        const RowSink sink = [&out, &l, convert](const uint8_t* src, uint32_t y) { convert(src, out.row(y), l); };
        try {
            if (TIFFIsTiled(m_document.tiff.get())) return readTiles(l, sink);
            std::string reason;
            const GpStatus read =
                m_strips.read(m_document.tiff.get(), m_errors, {m_document.pages[m_page], m_jpegAsRgb}, l, sink, stop, reason);
            // The first damaged strip's words, whichever band met it.
            if (read == GenericError) {
                m_errors.reason.clear();
                m_errors.reason.note(reason);
            }
            return read;
        } catch (const std::bad_alloc&) {
            return OutOfMemory;
        }
    }

    // The palette of a page read as stored: its colour map, or the grey ramp its samples
    // stand for; none for the other layouts. False when its colour map cannot be read.
    bool directPalette(Direct kind, const PageLayout& l, std::vector<ARGB>& palette) {
        if (kind == Direct::Palette) return readColormap(l, palette);
        if (kind == Direct::Bilevel || kind == Direct::Grey) {
            palette = greyPalette(std::min<uint16_t>(l.bitsPerSample, 8));
            if (l.photometric == PHOTOMETRIC_MINISWHITE) std::reverse(palette.begin(), palette.end());
        }
        return true;
    }

    GpStatus readTiles(const PageLayout& l, const RowSink& sink) {
        TileRows tiles(m_document.tiff.get(), m_errors, l);
        if (tiles.usable() != Ok) return tiles.usable();
        std::string message;
        for (uint32_t y = 0; y < l.height; y += tiles.rowsPerRead())
            if (tiles.read(y, sink, message) != Ok) return failed("a strip of the page cannot be decoded");
        return Ok;
    }

    // --- everything else, through libtiff's RGBA reader ------------------------------------------

    GpStatus readThroughRgba(const PageLayout& l, Frame& out) {
        TIFF* tif = m_document.tiff.get();
        char message[1024] = {};
        TIFFRGBAImage image{};
        m_errors.failed = false;
        if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&image, tif, 0, message)) {
            m_errors.reason.note(message);
            return UnknownImageFormat;
        }
        std::unique_ptr<TIFFRGBAImage, RgbaImageEnd> owner(&image);
        // Pixels as stored: ask for the file's own orientation so nothing is flipped.
        image.req_orientation = image.orientation;

        const bool grey = (l.photometric == PHOTOMETRIC_MINISBLACK ||
                           l.photometric == PHOTOMETRIC_MINISWHITE) &&
                          l.samplesPerPixel - l.extraCount == 1;
        const PixelClass pixelClass = image.alpha ? PixelClass::Argb32
                                      : grey      ? PixelClass::Indexed8
                                                  : PixelClass::Rgb24;
        const GpStatus status = allocateFrame(out, l.width, l.height, pixelClass);
        if (status != Ok) return status;
        if (grey && !image.alpha) out.palette = greyPalette(8);

        uint32_t band = 0;
        if (TIFFIsTiled(tif))
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
        else
            TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
        band = std::clamp<uint32_t>(band, 1, l.height);
        const uint64_t bandPixels = uint64_t{l.width} * band;
        if (bandPixels > Limits::kMaxCodecAllocation / 4) return OutOfMemory;
        std::unique_ptr<uint32_t[]> raster(new (std::nothrow) uint32_t[bandPixels]);
        if (!raster) return OutOfMemory;

        for (uint32_t y = 0; y < l.height; y += band) {
            const uint32_t rows = std::min(band, l.height - y);
            image.row_offset = static_cast<int>(y);
            image.col_offset = 0;
            std::memset(raster.get(), 0, static_cast<size_t>(uint64_t{l.width} * rows * 4));
            if (!TIFFRGBAImageGet(&image, raster.get(), l.width, rows) || m_errors.failed)
                return GenericError;
            for (uint32_t r = 0; r < rows; ++r) {
                const uint32_t* src = raster.get() + size_t{r} * l.width;
                uint8_t* dst = out.row(y + r);
                for (uint32_t x = 0; x < l.width; ++x) {
                    const uint32_t abgr = src[x];
                    const uint32_t red = TIFFGetR(abgr), green = TIFFGetG(abgr),
                                   blue = TIFFGetB(abgr), alpha = TIFFGetA(abgr);
                    switch (pixelClass) {
                        case PixelClass::Argb32:
                            reinterpret_cast<uint32_t*>(dst)[x] =
                                packArgb(alpha, unpremultiply(red, alpha), unpremultiply(green, alpha),
                                         unpremultiply(blue, alpha));
                            break;
                        case PixelClass::Indexed8: dst[x] = static_cast<uint8_t>(red); break;
                        default:
                            dst[3 * x] = static_cast<uint8_t>(blue);
                            dst[3 * x + 1] = static_cast<uint8_t>(green);
                            dst[3 * x + 2] = static_cast<uint8_t>(red);
                            break;
                    }
                }
            }
        }
        return Ok;
    }

    TiffErrors m_errors;  // declared before the handle that reports into it
    TiffDocument m_document;
    StripReader m_strips;  // after the document: its helpers read its descriptor
    uint32_t m_page = 0;      // the page being read
    bool m_jpegAsRgb = false;  // its JPEG strips are decoded to RGB
    static constexpr uint32_t kNone = UINT32_MAX;
    uint32_t m_lastRead = kNone;
    PagePrefetch m_prefetch;  // last: its thread uses everything above
};

}  // namespace

std::unique_ptr<Decoder> openTiffDecoder(UniqueFd fd, GpStatus& status, std::string& reason) {
    return openDecoderOf<TiffDecoder>(std::move(fd), status, reason);
}

}  // namespace gdip::codecs
