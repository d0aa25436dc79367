// TIFF pages through libtiff. Common scan layouts (bilevel, grey, palette, 8-bit RGB with or
// without alpha) are read strip by strip into their own pixel class; everything else libtiff
// can render (YCbCr, CMYK, 16-bit, separate planes, old JPEG, LogLuv ...) goes through its RGBA
// reader in bands, so no page costs more than its own frame plus one band.
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "../argb.h"
#include "../channel_order.h"
#include "../image_limits.h"
#include "../parallel_bands.h"
#include "../workers.h"
#include "codec.h"
#include "failure_reason.h"
#include "page_prefetch.h"
#include "file_handle.h"
#include "lzw_strip.h"
#include "strip_compression.h"
#include "tiff_chain.h"
#include "tiff_glue.h"

namespace gdip::codecs {
namespace {

struct RgbaImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

// The fields of the current directory that decide how it is read.
struct PageLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 1;
    uint16_t samplesPerPixel = 1;
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t extraAlpha = EXTRASAMPLE_UNSPECIFIED;  // kind of the first extra sample
    uint16_t extraCount = 0;
};

// LZW strips as TIFF's writers make them are decoded by our own reader, which copies whole
// strings where libtiff walks a chain byte by byte; libtiff reads every other strip, and
// any strip ours declines, so a damaged strip is reported or mended exactly as before.
struct OwnLzw {
    bool use = false;
    uint32_t predictorStride = 0;  // samples per pixel under the horizontal predictor, else 0
    ReadAt read;                   // the file, read at the strips' offsets
};

OwnLzw ownLzwFor(TIFF* tif, const PageLayout& l) {
    OwnLzw lzw;
    // Samples wider than a byte need libtiff's byte swapping after decoding.
    if (l.compression != COMPRESSION_LZW || l.planar != PLANARCONFIG_CONTIG || l.bitsPerSample > 8)
        return lzw;
    uint16_t fillOrder = FILLORDER_MSB2LSB;
    uint16_t predictor = PREDICTOR_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fillOrder);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PREDICTOR, &predictor);
    if (fillOrder != FILLORDER_MSB2LSB) return lzw;
    if (predictor == PREDICTOR_HORIZONTAL) {
        if (l.bitsPerSample != 8) return lzw;
        lzw.predictorStride = l.samplesPerPixel;
    } else if (predictor != PREDICTOR_NONE) {
        return lzw;
    }
    lzw.use = true;
    lzw.read = descriptorReader(TIFFFileno(tif));
    return lzw;
}

// The first strip of a band that could not be read; strip UINT32_MAX when none.
struct StripFailure {
    uint32_t strip = UINT32_MAX;
    GpStatus status = Ok;
    std::string message;  // libtiff's words, when it gave any
};

// What a band keeps from one strip to the next.
struct StripScratch {
    std::vector<uint8_t> rows;    // a strip as libtiff decodes it
    std::vector<uint8_t> packed;  // a strip as stored
    LzwStripReader lzw;
};

// The `rows` rows of strip `strip`, or nullptr to leave the strip to libtiff. The stored
// bytes are read here rather than through libtiff, so that a strip libtiff would call
// damaged is only ever reported by libtiff itself.
const uint8_t* readOwnLzwStrip(TIFF* tif, const OwnLzw& lzw, uint32_t strip, uint64_t lineBytes,
                               uint32_t rows, StripScratch& scratch) {
    const uint64_t outSize = lineBytes * rows;
    const uint64_t offset = TIFFGetStrileOffset(tif, strip);
    const uint64_t size = TIFFGetStrileByteCount(tif, strip);
    // Nine bits per byte at worst, with a clear code every few thousand: anything longer is
    // not a strip of this page.
    if (size < 2 || size > outSize * 2 + 4096 || offset > static_cast<uint64_t>(INT64_MAX) - size)
        return nullptr;
    if (scratch.packed.size() < size) scratch.packed.resize(static_cast<size_t>(size));
    if (!lzw.read(offset, scratch.packed.data(), static_cast<size_t>(size))) return nullptr;
    uint8_t* decoded = scratch.lzw.read(scratch.packed.data(), static_cast<size_t>(size), static_cast<size_t>(outSize));
    if (decoded && lzw.predictorStride != 0)
        accumulateRows(decoded, rows, static_cast<size_t>(lineBytes), lzw.predictorStride);
    return decoded;
}

// The top eight bits of 16-bit sample `i` of a row, which libtiff has put in the machine's
// byte order.
uint8_t highByte(const uint8_t* row, uint32_t i) {
    uint16_t sample;
    std::memcpy(&sample, row + 2 * size_t{i}, 2);
    return static_cast<uint8_t>(sample >> 8);
}

uint8_t unpremultiply(uint32_t value, uint32_t alpha) {
    if (alpha == 0) return 0;
    return static_cast<uint8_t>(std::min<uint32_t>(255, (value * 255 + alpha / 2) / alpha));
}

class TiffDecoder final : public Decoder {
public:
    GpStatus open(UniqueFd fd) {
        TiffOptionsPtr options = tiffOpenOptions(m_errors);
        if (!options) return OutOfMemory;
        if (!indexDirectories(fd.get())) return UnknownImageFormat;
        // "m": no memory mapping, so a file truncated while open cannot fault the process.
        // "h": the header only; each directory is read when its page is, so a damaged one
        // fails that page alone.
        m_tiff.reset(TIFFFdOpenExt(fd.get(), "", "rmh", options.get()));
        if (!m_tiff) return UnknownImageFormat;
        (void)fd.release();  // the handle closes it now
        return Ok;
    }

    const GUID& rawFormat() const override { return ImageFormatTIFF; }
    const GUID& frameDimension() const override { return FrameDimensionPage; }
    uint32_t frameCount() const override { return static_cast<uint32_t>(m_offsets.size()); }

    // Pages read one after another are read one ahead, on another thread, while the caller
    // uses the page it has.
    GpStatus readFrame(uint32_t index, Frame& out) override {
        out = Frame{};
        if (index >= m_offsets.size()) return InvalidParameter;
        GpStatus status = Ok;
        if (!m_prefetch.take(index, out, status)) {
            static const std::atomic<bool> kNeverStop{false};
            status = readPage(index, out, kNeverStop, false);
        }
        const bool sequential = m_lastRead != kNone && index == m_lastRead + 1;
        m_lastRead = index;
        if (sequential && pagesAtOnce(out.width, out.height, m_offsets.size() - index) > 1)
            m_prefetch.start(index + 1, [this](uint32_t next, Frame& frame, const std::atomic<bool>& stop) {
                return readPage(next, frame, stop, true);
            });
        return status;
    }

private:
    // Reads page `index`, stopping between strips when `stop` is set; a page read ahead
    // (`ahead`) too large to be held beside the caller's is declined with Aborted.
    GpStatus readPage(uint32_t index, Frame& out, const std::atomic<bool>& stop, bool ahead) {
        out = Frame{};
        m_errors.failed = false;
        m_errors.message.clear();
        if (!TIFFSetSubDirectory(m_tiff.get(), m_offsets[index])) return failed("the page's directory cannot be read");
        // What libtiff complained of and read past (an empty entry some old writers leave) is
        // kept with the page; a page it cannot then decode still fails.
        std::string warning = m_errors.failed ? m_errors.message : std::string();
        PageLayout layout;
        if (!readLayout(layout)) return UnknownImageFormat;
        if (ahead && pagesAtOnce(layout.width, layout.height, 2) < 2) return Aborted;
        m_page = index;
        // libjpeg turns subsampled YCbCr into RGB on the fly: one scan layout fewer to handle.
        m_jpegAsRgb = layout.compression == COMPRESSION_JPEG && layout.photometric == PHOTOMETRIC_YCBCR &&
                      layout.bitsPerSample == 8 && layout.samplesPerPixel == 3;
        if (m_jpegAsRgb) {
            TIFFSetField(m_tiff.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            layout.photometric = PHOTOMETRIC_RGB;
        }
        GpStatus status = readDirect(layout, out, stop);
        if (status == NotImplemented) status = readThroughRgba(layout, out);
        if (status != Ok) {
            out = Frame{};
            return status;
        }
        readResolution(out);
        out.warning = std::move(warning);
        return Ok;
    }

    // A failure libtiff may not have worded itself.
    static GpStatus failed(const char* reason) {
        noteFailureReason(reason);
        return GenericError;
    }

    // Records where each page's directory starts, so that selecting page k later is one seek
    // instead of a walk along the chain.
    bool indexDirectories(int fd) {
        const long long size = descriptorSize(fd);
        if (size <= 0) return false;
        const ReadAt readAt = descriptorReader(fd);
        TiffChain chain;
        if (!readTiffChain(readAt, static_cast<uint64_t>(size), Limits::kMaxFrames, chain))
            return false;
        m_offsets = std::move(chain.offsets);
        return !m_offsets.empty();
    }

    bool readLayout(PageLayout& layout) {
        TIFF* tif = m_tiff.get();
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
        if (frameSizeAllowed(layout.width, layout.height)) return true;
        noteOversizedFrame(layout.width, layout.height);
        return false;
    }

    void readResolution(Frame& out) {
        TIFF* tif = m_tiff.get();
        float x = 0, y = 0;
        uint16_t unit = RESUNIT_INCH;
        TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
        if (unit != RESUNIT_INCH && unit != RESUNIT_CENTIMETER) return;
        const double perInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
        if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) && x > 0 && x < Limits::kMaxResolutionDpi) out.dpiX = x * perInch;
        if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y) && y > 0 && y < Limits::kMaxResolutionDpi) out.dpiY = y * perInch;
    }

    // --- scan layouts read as stored ------------------------------------------------------------

    enum class Direct { Bilevel, Grey, Palette, GreyAlpha, Rgb, Rgba };

    static bool pickDirect(const PageLayout& l, Direct& kind) {
        if (l.sampleFormat != SAMPLEFORMAT_UINT || l.compression == COMPRESSION_OJPEG) return false;
        if (l.planar != PLANARCONFIG_CONTIG && l.samplesPerPixel > 1) return false;
        const bool grey = l.photometric == PHOTOMETRIC_MINISBLACK ||
                          l.photometric == PHOTOMETRIC_MINISWHITE;
        const bool alpha = l.extraCount > 0 && l.extraAlpha != EXTRASAMPLE_UNSPECIFIED;
        // 16-bit grey is read here too: libtiff's RGBA reader misplaces the samples of the
        // last column of tiles when the width is not a multiple of the tile's.
        const bool sixteen = l.bitsPerSample == 16 && grey;
        if (l.samplesPerPixel == 1) {
            if (l.bitsPerSample != 1 && l.bitsPerSample != 2 && l.bitsPerSample != 4 &&
                l.bitsPerSample != 8 && !sixteen)
                return false;
            if (l.photometric == PHOTOMETRIC_PALETTE) {
                kind = Direct::Palette;
                return true;
            }
            if (!grey) return false;
            kind = l.bitsPerSample == 1 ? Direct::Bilevel : Direct::Grey;
            return true;
        }
        if (grey && l.samplesPerPixel == 2 && alpha && (l.bitsPerSample == 8 || sixteen)) {
            kind = Direct::GreyAlpha;
            return true;
        }
        if (l.bitsPerSample != 8) return false;
        if (l.photometric == PHOTOMETRIC_RGB && l.samplesPerPixel >= 3) {
            kind = (l.samplesPerPixel > 3 && alpha) ? Direct::Rgba : Direct::Rgb;
            return true;
        }
        return false;
    }

    bool readColormap(const PageLayout& l, std::vector<ARGB>& palette) {
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(m_tiff.get(), TIFFTAG_COLORMAP, &red, &green, &blue) || !red)
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
        PixelClass pixelClass = PixelClass::Indexed8;
        switch (kind) {
            case Direct::Bilevel: pixelClass = PixelClass::Indexed1; break;
            case Direct::Grey: pixelClass = PixelClass::Indexed8; break;
            case Direct::Palette:
                pixelClass = l.bitsPerSample == 1 ? PixelClass::Indexed1 : PixelClass::Indexed8;
                break;
            case Direct::GreyAlpha:
            case Direct::Rgba: pixelClass = PixelClass::Argb32; break;
            case Direct::Rgb: pixelClass = PixelClass::Rgb24; break;
        }
        std::vector<ARGB> palette;
        if (kind == Direct::Palette) {
            if (!readColormap(l, palette)) return NotImplemented;
        } else if (kind == Direct::Bilevel || kind == Direct::Grey) {
            palette = greyPalette(std::min<uint16_t>(l.bitsPerSample, 8));
            if (l.photometric == PHOTOMETRIC_MINISWHITE) std::reverse(palette.begin(), palette.end());
        }
        const GpStatus status = allocateFrame(out, l.width, l.height, pixelClass);
        if (status != Ok) return status;
        out.palette = std::move(palette);

        const bool associated = l.extraAlpha == EXTRASAMPLE_ASSOCALPHA;
        const uint32_t spp = l.samplesPerPixel;
        auto convert = [&](const uint8_t* src, uint32_t y) {
            uint8_t* dst = out.row(y);
            switch (kind) {
                case Direct::Bilevel:
                    std::memcpy(dst, src, (size_t{l.width} + 7) / 8);
                    break;
                case Direct::Palette:
                    if (l.bitsPerSample == 1) {
                        std::memcpy(dst, src, (size_t{l.width} + 7) / 8);
                        break;
                    }
                    [[fallthrough]];
                case Direct::Grey:
                    if (l.bitsPerSample == 8) {
                        std::memcpy(dst, src, l.width);
                    } else if (l.bitsPerSample == 16) {
                        for (uint32_t x = 0; x < l.width; ++x) dst[x] = highByte(src, x);
                    } else {
                        const unsigned bits = l.bitsPerSample;
                        const unsigned perByte = 8 / bits;
                        const unsigned mask = (1u << bits) - 1;
                        for (uint32_t x = 0; x < l.width; ++x) {
                            const unsigned shift = 8 - bits * (x % perByte + 1);
                            dst[x] = static_cast<uint8_t>((src[x / perByte] >> shift) & mask);
                        }
                    }
                    break;
                case Direct::GreyAlpha: {
                    auto* words = reinterpret_cast<uint32_t*>(dst);
                    const bool inverted = l.photometric == PHOTOMETRIC_MINISWHITE;
                    const bool wide = l.bitsPerSample == 16;
                    for (uint32_t x = 0; x < l.width; ++x) {
                        uint32_t v = wide ? highByte(src, 2 * x) : src[2 * x];
                        const uint32_t a = wide ? highByte(src, 2 * x + 1) : src[2 * x + 1];
                        if (inverted) v = 255 - v;
                        if (associated) v = unpremultiply(v, a);
                        words[x] = packArgb(a, v, v, v);
                    }
                    break;
                }
                case Direct::Rgb:
                    if (spp == 3) {
                        swapRedAndBlue(src, dst, l.width);
                        break;
                    }
                    for (uint32_t x = 0; x < l.width; ++x, src += spp, dst += 3) {
                        dst[0] = src[2];
                        dst[1] = src[1];
                        dst[2] = src[0];
                    }
                    break;
                case Direct::Rgba: {
                    auto* words = reinterpret_cast<uint32_t*>(dst);
                    for (uint32_t x = 0; x < l.width; ++x, src += spp) {
                        uint32_t r = src[0], g = src[1], b = src[2];
                        const uint32_t a = src[3];
                        if (associated) {
                            r = unpremultiply(r, a);
                            g = unpremultiply(g, a);
                            b = unpremultiply(b, a);
                        }
                        words[x] = packArgb(a, r, g, b);
                    }
                    break;
                }
            }
        };
        try {
            return TIFFIsTiled(m_tiff.get()) ? readTiles(l, convert) : readStrips(l, convert, stop);
        } catch (const std::bad_alloc&) {
            return OutOfMemory;
        }
    }

    // Strips are decoded in bands, one per handle: the main handle and, for a page large
    // enough to be worth it, helper handles on the other cores, each band into its own rows.
    template <typename RowSink>
    GpStatus readStrips(const PageLayout& l, RowSink& sink, const std::atomic<bool>& stop) {
        TIFF* tif = m_tiff.get();
        uint32_t rowsPerStrip = l.height;
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, l.height);
        const uint64_t lineBytes = TIFFScanlineSize64(tif);
        const uint64_t stripBytes = lineBytes * rowsPerStrip;
        if (lineBytes == 0 || stripBytes > Limits::kMaxCodecAllocation) return NotImplemented;
        const uint32_t strips = (l.height - 1) / rowsPerStrip + 1;
        std::vector<TIFF*> handles{tif};
        std::vector<TiffErrors*> errors{&m_errors};
        addHelpers(l, strips, rowsPerStrip, lineBytes, handles, errors);
        const size_t bands = handles.size();
        const OwnLzw lzw = ownLzwFor(tif, l);
        // Strips go a few at a time to whichever band is free, so that a band slowed down
        // does not hold up the page. A failure is that of the first strip that failed,
        // whichever band met it: every strip before it is read, none after it is started.
        constexpr uint32_t kStripsPerTake = 4;
        std::atomic<uint32_t> nextStrip{0};
        std::atomic<uint32_t> firstFailure{UINT32_MAX};
        std::vector<StripFailure> failures(bands);
        // Each band reports through `failures`, so the status of the run itself says nothing.
        (void)runBands(bands, [&](size_t band) {
            StripFailure& failure = failures[band];
            try {
                StripScratch scratch;
                scratch.rows.resize(static_cast<size_t>(stripBytes));
                for (;;) {
                    const uint32_t first = nextStrip.fetch_add(kStripsPerTake);
                    if (first >= strips || first > firstFailure) return Ok;
                    const uint32_t end = std::min(strips, first + kStripsPerTake);
                    readStripRange(handles[band], *errors[band], l, lzw, rowsPerStrip, lineBytes, first, end,
                                   stop, sink, scratch, failure);
                    if (failure.status != Ok) {
                        for (uint32_t seen = firstFailure; failure.strip < seen;)
                            if (firstFailure.compare_exchange_weak(seen, failure.strip)) break;
                        return Ok;
                    }
                }
            } catch (const std::bad_alloc&) {
                failure = StripFailure{0, OutOfMemory, {}};
                return Ok;
            }
        });
        const auto first = std::min_element(failures.begin(), failures.end(),
                                            [](const StripFailure& a, const StripFailure& b) { return a.strip < b.strip; });
        if (first->status != GenericError) return first->status;
        // The band's own words, whichever thread it ran on; libtiff may already have noted
        // another band's later failure on this thread.
        clearFailureReason();
        if (!first->message.empty()) noteFailureReason(first->message);
        return failed("a strip of the page cannot be decoded");
    }

    // Strips [first, end) through `tif`, each into its rows; at the first that fails, its
    // number, its status (GenericError when libtiff cannot decode it) and libtiff's words.
    template <typename RowSink>
    static void readStripRange(TIFF* tif, TiffErrors& errors, const PageLayout& l, const OwnLzw& lzw,
                               uint32_t rowsPerStrip, uint64_t lineBytes, uint32_t first, uint32_t end,
                               const std::atomic<bool>& stop, RowSink& sink, StripScratch& scratch,
                               StripFailure& failure) {
        for (uint32_t s = first; s < end; ++s) {
            if (stop) {
                failure = StripFailure{s, Aborted, {}};
                return;
            }
            const uint32_t y = s * rowsPerStrip;
            const uint32_t rows = std::min(rowsPerStrip, l.height - y);
            const uint32_t index = TIFFComputeStrip(tif, y, 0);
            if (const uint8_t* own = lzw.use ? readOwnLzwStrip(tif, lzw, index, lineBytes, rows, scratch) : nullptr) {
                for (uint32_t r = 0; r < rows; ++r) sink(own + r * lineBytes, y + r);
                continue;
            }
            uint8_t* decoded = scratch.rows.data();
            errors.failed = false;
            errors.message.clear();
            const tmsize_t got = TIFFReadEncodedStrip(tif, index, decoded, static_cast<tmsize_t>(lineBytes * rows));
            if (got < 0 || errors.failed) {
                failure = StripFailure{s, GenericError, errors.message};
                return;
            }
            // A short strip leaves its remaining rows as zero bytes rather than stale data.
            if (static_cast<uint64_t>(got) < lineBytes * rows)
                std::memset(decoded + got, 0, static_cast<size_t>(lineBytes * rows - got));
            for (uint32_t r = 0; r < rows; ++r) sink(decoded + r * lineBytes, y + r);
        }
    }

    // Helper handles on the current page, one per further worker, for pages of enough strips
    // and bytes that the threads pay; a helper that does not see the page exactly as the
    // main handle does is not used.
    void addHelpers(const PageLayout& l, uint32_t strips, uint32_t rowsPerStrip, uint64_t lineBytes,
                    std::vector<TIFF*>& handles, std::vector<TiffErrors*>& errors) {
        constexpr uint32_t kMinStripsPerBand = 2;
        constexpr uint64_t kMinBandBytes = 128 << 10;
        const uint64_t pageBytes = lineBytes * l.height;
        const uint64_t wanted = std::min<uint64_t>({GdipWorkerCount(), strips / kMinStripsPerBand,
                                                    pageBytes / kMinBandBytes});
        for (size_t i = 0; i + 1 < wanted; ++i) {
            if (i == m_helpers.size()) {
                auto helper = std::make_unique<Helper>();
                helper->tiff = openSharedTiffReader(TIFFFileno(m_tiff.get()), helper->errors);
                if (!helper->tiff) return;
                m_helpers.push_back(std::move(helper));
            }
            Helper& helper = *m_helpers[i];
            TIFF* tif = helper.tiff.get();
            helper.errors.failed = false;
            if (!TIFFSetSubDirectory(tif, m_offsets[m_page]) || helper.errors.failed) return;
            if (m_jpegAsRgb) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            uint32_t helperRows = 0;
            TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &helperRows);
            if (std::clamp<uint32_t>(helperRows, 1, l.height) != rowsPerStrip ||
                TIFFScanlineSize64(tif) != lineBytes || TIFFNumberOfStrips(tif) != TIFFNumberOfStrips(m_tiff.get()))
                return;
            handles.push_back(tif);
            errors.push_back(&helper.errors);
        }
    }

    template <typename RowSink>
    GpStatus readTiles(const PageLayout& l, RowSink& sink) {
        TIFF* tif = m_tiff.get();
        uint32_t tileWidth = 0, tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        if (tileWidth == 0 || tileHeight == 0 || tileWidth > Limits::kMaxSide ||
            tileHeight > Limits::kMaxSide)
            return GenericError;
        const uint64_t tileRowBytes = TIFFTileRowSize64(tif);
        const uint64_t tileBytes = TIFFTileSize64(tif);
        const uint64_t lineBytes = TIFFScanlineSize64(tif);
        const uint64_t bandBytes = lineBytes * tileHeight;
        if (tileRowBytes == 0 || tileBytes > Limits::kMaxCodecAllocation ||
            bandBytes > Limits::kMaxCodecAllocation)
            return NotImplemented;
        const uint64_t bitsPerPixel = uint64_t{l.bitsPerSample} * l.samplesPerPixel;
        // Tiles are whole bytes wide only when their pixel width is; bilevel tiles of odd widths
        // go through the RGBA reader instead.
        if ((uint64_t{tileWidth} * bitsPerPixel) % 8 != 0) return NotImplemented;
        std::vector<uint8_t> tile(static_cast<size_t>(tileBytes));
        std::vector<uint8_t> band(static_cast<size_t>(bandBytes));
        for (uint32_t y = 0; y < l.height; y += tileHeight) {
            const uint32_t rows = std::min(tileHeight, l.height - y);
            std::fill(band.begin(), band.end(), 0);
            for (uint32_t x = 0; x < l.width; x += tileWidth) {
                m_errors.failed = false;
                const tmsize_t got =
                    TIFFReadTile(tif, tile.data(), x, y, 0, 0);
                if (got < 0 || m_errors.failed) return failed("a strip of the page cannot be decoded");
                const uint64_t offset = uint64_t{x} * bitsPerPixel / 8;
                const uint64_t copy = std::min<uint64_t>(tileRowBytes, lineBytes - offset);
                for (uint32_t r = 0; r < rows; ++r)
                    std::memcpy(band.data() + r * lineBytes + offset,
                                tile.data() + r * tileRowBytes, static_cast<size_t>(copy));
            }
            for (uint32_t r = 0; r < rows; ++r) sink(band.data() + r * lineBytes, y + r);
        }
        return Ok;
    }

    // --- everything else, through libtiff's RGBA reader ------------------------------------------

    GpStatus readThroughRgba(const PageLayout& l, Frame& out) {
        TIFF* tif = m_tiff.get();
        char message[1024] = {};
        TIFFRGBAImage image{};
        m_errors.failed = false;
        if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&image, tif, 0, message)) {
            noteFailureReason(message);
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

    // A further handle on the file, for a band of strips on another core.
    struct Helper {
        TiffErrors errors;  // declared before the handle that reports into it
        TiffPtr tiff;
    };

    TiffErrors m_errors;  // declared before the handle that reports into it
    TiffPtr m_tiff;
    std::vector<std::unique_ptr<Helper>> m_helpers;  // after m_tiff: they read its descriptor
    std::vector<uint64_t> m_offsets;
    uint32_t m_page = 0;      // the page being read
    bool m_jpegAsRgb = false;  // its JPEG strips are decoded to RGB
    static constexpr uint32_t kNone = UINT32_MAX;
    uint32_t m_lastRead = kNone;
    PagePrefetch m_prefetch;  // last: its thread uses everything above
};

}  // namespace

std::unique_ptr<Decoder> openTiffDecoder(UniqueFd fd, GpStatus& status) {
    return openDecoderOf<TiffDecoder>(std::move(fd), status);
}

}  // namespace gdip::codecs
