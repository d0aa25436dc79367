// Multi-page TIFF through libtiff, each page in the class it was decoded in: bilevel stays
// bilevel, grey stays grey, palette stays palette, RGB and ARGB (with an unassociated alpha
// sample) stay as they are. LZW unless asked otherwise (see EncoderCompression).
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "../../channel_order.h"
#include "../../image_limits.h"
#include "../../parallel_bands.h"
#include "../byte_order.h"
#include "../codec.h"
#include "../file_handle.h"
#include "../palette_classes.h"
#include "g4_strip.h"
#include "strip_compression.h"
#include "tiff_chain.h"
#include "tiff_glue.h"
#include "tiff_metadata.h"
#include "tiff_page_writer.h"

namespace gdip::codecs {
namespace {

// libtiff reads and writes through the caller's stream; closing it is the caller's job.
tmsize_t streamRead(thandle_t h, void* buffer, tmsize_t size) {
    return static_cast<tmsize_t>(std::fread(buffer, 1, static_cast<size_t>(size), static_cast<std::FILE*>(h)));
}
tmsize_t streamWrite(thandle_t h, void* buffer, tmsize_t size) {
    return static_cast<tmsize_t>(std::fwrite(buffer, 1, static_cast<size_t>(size), static_cast<std::FILE*>(h)));
}
toff_t streamSeek(thandle_t h, toff_t offset, int whence) {
    auto* file = static_cast<std::FILE*>(h);
    if (fseeko(file, static_cast<off_t>(offset), whence) != 0) return static_cast<toff_t>(-1);
    return static_cast<toff_t>(ftello(file));
}
int streamClose(thandle_t) { return 0; }
toff_t streamSize(thandle_t h) {
    auto* file = static_cast<std::FILE*>(h);
    const off_t here = ftello(file);
    fseeko(file, 0, SEEK_END);
    const off_t size = ftello(file);
    fseeko(file, here, SEEK_SET);
    return static_cast<toff_t>(size);
}
int noMap(thandle_t, void**, toff_t*) { return 0; }
void noUnmap(thandle_t, void*, toff_t) {}

// Rows [y, y + rows) of a page as TIFF stores them: RGB in that order, alpha last.
void packRows(const PictureRows& page, uint32_t y, uint32_t rows, uint64_t lineBytes, uint8_t* out) {
    const Frame& header = *page.header;
    std::vector<uint8_t> scratch(page.made() ? header.stride : 0);
    for (uint32_t r = 0; r < rows; ++r, out += lineBytes) {
        const uint8_t* src = page.row(y + r, scratch.data());
        switch (header.pixelClass) {
            case PixelClass::Indexed1:
            case PixelClass::Indexed8: std::memcpy(out, src, static_cast<size_t>(lineBytes)); break;
            case PixelClass::Rgb24: swapRedAndBlue(src, out, header.width); break;
            case PixelClass::Argb32: {
                const auto* words = reinterpret_cast<const uint32_t*>(src);
                for (uint32_t x = 0; x < header.width; ++x) {
                    const uint32_t c = words[x];
                    out[4 * x] = static_cast<uint8_t>(c >> 16);
                    out[4 * x + 1] = static_cast<uint8_t>(c >> 8);
                    out[4 * x + 2] = static_cast<uint8_t>(c);
                    out[4 * x + 3] = static_cast<uint8_t>(c >> 24);
                }
                break;
            }
        }
    }
}

class TiffEncoder final : public TiffPageWriter {
public:
    TiffEncoder(std::FILE* stream, TiffCompression compression, bool bigTiff)
        : m_stream(stream), m_compression(compression), m_bigTiff(bigTiff) {}

    GpStatus open() {
        TiffOptionsPtr options = tiffOpenOptions(m_errors);
        if (!options) return OutOfMemory;
        m_tiff.reset(TIFFClientOpenExt("output", m_bigTiff ? "w8" : "w", m_stream, &streamRead, &streamWrite,
                                       &streamSeek, &streamClose, &streamSize, &noMap, &noUnmap,
                                       options.get()));
        return m_tiff ? Ok : Win32Error;
    }

    GpStatus addFrame(const Frame& frame) override {
        if (frame.empty()) return InvalidParameter;
        return addPage(rowsOf(frame), nullptr);
    }

    GpStatus addRows(const PictureRows& rows) override {
        if (!rowsUsable(rows)) return InvalidParameter;
        return addPage(rows, nullptr);
    }

    GpStatus addPageRows(const PictureRows& rows, const std::function<bool()>& intact) override {
        if (!rowsUsable(rows)) return InvalidParameter;
        return addPage(rows, &intact);
    }

    // A page, its rows asked for as its strips are written; taken out again when `intact`
    // says a row could not be read.
    GpStatus addPage(const PictureRows& rows, const std::function<bool()>* intact) {
        if (!m_tiff || m_finished) return WrongState;
        const Frame& frame = *rows.header;
        m_errors.failed = false;
        TIFF* tif = m_tiff.get();
        uint16_t bits = 8, samples = 1, photometric = PHOTOMETRIC_MINISBLACK;
        std::vector<uint16_t> red, green, blue;
        switch (frame.pixelClass) {
            case PixelClass::Indexed1:
            case PixelClass::Indexed8: {
                bits = frame.pixelClass == PixelClass::Indexed1 ? 1 : 8;
                const PaletteShape shape = paletteShape(frame.palette, bits);
                if (shape == PaletteShape::GreyRising) break;
                if (shape == PaletteShape::GreyFalling) {
                    photometric = PHOTOMETRIC_MINISWHITE;
                    break;
                }
                photometric = PHOTOMETRIC_PALETTE;
                const size_t entries = size_t{1} << bits;
                red.assign(entries, 0);
                green.assign(entries, 0);
                blue.assign(entries, 0);
                for (size_t i = 0; i < entries && i < frame.palette.size(); ++i) {
                    red[i] = static_cast<uint16_t>(((frame.palette[i] >> 16) & 255) * 257);
                    green[i] = static_cast<uint16_t>(((frame.palette[i] >> 8) & 255) * 257);
                    blue[i] = static_cast<uint16_t>((frame.palette[i] & 255) * 257);
                }
                break;
            }
            case PixelClass::Rgb24:
                samples = 3;
                photometric = PHOTOMETRIC_RGB;
                break;
            case PixelClass::Argb32:
                samples = 4;
                photometric = PHOTOMETRIC_RGB;
                break;
        }
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, frame.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, frame.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        numberPage();
        if (samples == 4) {
            const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        if (!red.empty()) TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
        writeResolution(tif, {frame.dpiX, frame.dpiY, frame.meta.aspectX, frame.meta.aspectY});
        writePageMetadata(tif, frame.meta, photometric != PHOTOMETRIC_PALETTE && photometric != PHOTOMETRIC_RGB);
        const uint64_t lineBytes = (uint64_t{frame.width} * bits * samples + 7) / 8;
        const bool bilevel = bits == 1 && photometric != PHOTOMETRIC_PALETTE;
        if (!m_bigTiff && !fitsClassicFile(lineBytes * frame.height, bilevel)) return ValueOverflow;
        if (bilevel && (m_compression == TiffCompression::G4 || m_compression == TiffCompression::Auto)) {
            const GpStatus written = writeG4Page(rows, lineBytes);
            if (written != Ok) return written;
        } else {
            const StripCoding coding =
                m_compression == TiffCompression::Deflate ? StripCoding::Deflate : StripCoding::Lzw;
            TIFFSetField(tif, TIFFTAG_COMPRESSION,
                         coding == StripCoding::Deflate ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_LZW);
            // Strips of about 64 KiB keep memory small for readers and for us.
            const uint32_t rowsPerStrip = static_cast<uint32_t>(
                std::clamp<uint64_t>(65536 / std::max<uint64_t>(lineBytes, 1), 1, frame.height));
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
            const bool mayPredict = m_compression != TiffCompression::Lzw &&
                                    m_compression != TiffCompression::G4 && bits == 8 &&
                                    photometric != PHOTOMETRIC_PALETTE;
            const GpStatus written =
                writeStrips(rows, {coding, lineBytes, rowsPerStrip, samples, mayPredict});
            if (written != Ok) return written;
        }
        if (intact && !(*intact)()) return dropFilledDirectory() ? GenericError : Win32Error;
        if (!TIFFWriteDirectory(tif) || m_errors.failed) return Win32Error;
        ++m_pages;
        return Ok;
    }

    // Pages of 16-bit samples are rare: libtiff's own coder writes them, on this thread.
    GpStatus addDeepFrame(const DeepFrame& frame) override {
        if (frame.samples.empty()) return InvalidParameter;
        const uint64_t lineBytes = uint64_t{frame.rowSamples()} * 2;
        return addFilledPage(lineBytes * frame.height, [&](TIFF* tif) {
            const uint16_t channels = static_cast<uint16_t>(frame.channels());
            TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, frame.width);
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, frame.height);
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, channels);
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, frame.colours == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
            if (frame.alpha) {
                const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
                TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
            }
            writeResolution(tif, {frame.dpiX, frame.dpiY, frame.meta.aspectX, frame.meta.aspectY});
            writePageMetadata(tif, frame.meta, frame.colours == 1);
            TIFFSetField(tif, TIFFTAG_COMPRESSION,
                         m_compression == TiffCompression::Lzw ? COMPRESSION_LZW : COMPRESSION_ADOBE_DEFLATE);
            TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
            const uint32_t rowsPerStrip =
                static_cast<uint32_t>(std::clamp<uint64_t>(65536 / lineBytes, 1, frame.height));
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
            // The predictor works in place: each strip is coded from a copy.
            std::vector<uint16_t> strip;
            for (uint32_t y = 0, index = 0; y < frame.height; y += rowsPerStrip, ++index) {
                const uint32_t rows = std::min(rowsPerStrip, frame.height - y);
                strip.assign(frame.row(y), frame.row(y) + size_t{rows} * frame.rowSamples());
                if (TIFFWriteEncodedStrip(tif, index, strip.data(), static_cast<tmsize_t>(strip.size() * 2)) < 0)
                    return Win32Error;
            }
            return Ok;
        });
    }

    GpStatus addFrameAs(const Frame& frame, TiffCompression compression) override {
        const TiffCompression own = std::exchange(m_compression, compression);
        const GpStatus status = addFrame(frame);
        m_compression = own;
        return status;
    }

    GpStatus addFilledPage(uint64_t storedBytes, const std::function<GpStatus(TIFF*)>& fill) override {
        if (!m_tiff || m_finished) return WrongState;
        if (!m_bigTiff && !fitsClassicFile(storedBytes)) return ValueOverflow;
        m_errors.failed = false;
        TIFF* tif = m_tiff.get();
        numberPage();
        GpStatus status = fill(tif);
        if (status == Ok && m_errors.failed) status = Win32Error;
        if (status != Ok) {
            if (!dropFilledDirectory()) return Win32Error;
            return status;
        }
        if (!TIFFWriteDirectory(tif) || m_errors.failed) return Win32Error;
        ++m_pages;
        return Ok;
    }

    GpStatus finish() override {
        if (m_finished) return Ok;
        m_finished = true;
        m_errors.failed = false;
        m_tiff.reset();  // TIFFClose flushes the last directory
        if (m_errors.failed) return Win32Error;
        if (m_pages == 0) return WrongState;
        return patchPageTotals() ? Ok : Win32Error;
    }

private:
    // Drops the directory a page was being filled into; data already written stays in the
    // file, unreferenced. Once strips are written libtiff keeps its writing state until a
    // directory is written, and would refuse the next page's tags: the directory is then
    // written and unlinked again, which resets that state. False when the file cannot go on.
    bool dropFilledDirectory() {
        TIFF* tif = m_tiff.get();
        uint32_t width = 0;
        if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || TIFFNumberOfStrips(tif) == 0 ||
            TIFFGetStrileOffset(tif, 0) == 0) {
            // Nothing written yet: the fields alone go. Setting the compression back ends the
            // state of the codec that was set, which freeing the fields would leave behind.
            TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
            TIFFFreeDirectory(tif);
            TIFFCreateDirectory(tif);
            return true;
        }
        m_errors.failed = false;
        if (m_pages == 0) {
            // No page is in the file yet, and libtiff cannot unlink the first directory and
            // link another in its place: the file starts again.
            m_tiff.reset();
            m_errors.failed = false;
            return std::fflush(m_stream) == 0 && ::ftruncate(fileno(m_stream), 0) == 0 &&
                   fseeko(m_stream, 0, SEEK_SET) == 0 && open() == Ok;
        }
        return TIFFWriteDirectory(tif) && TIFFUnlinkDirectory(tif, static_cast<tdir_t>(m_pages + 1)) && !m_errors.failed;
    }

    void numberPage() {
        TIFF* tif = m_tiff.get();
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        // The total is not known yet; finish() fills it in.
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(std::min<uint32_t>(m_pages, 65535)),
                     static_cast<uint16_t>(0));
    }

    // Whether `bytes` of page data still fit a classic file (32-bit offsets) beside what is
    // written; the strip and directory tables come on top.
    bool fitsClassicFile(uint64_t bytes) {
        constexpr uint64_t kClassicLimit = 0xFFFFFFFFull;
        if (std::fflush(m_stream) != 0) return false;
        const long long written = descriptorSize(fileno(m_stream));
        return written >= 0 && static_cast<uint64_t>(written) + bytes + bytes / 1024 + (1u << 20) <= kClassicLimit;
    }

    // The same for a page of `rawBytes` whatever its compression makes of it: LZW can grow
    // noise by half, CCITT G4 a bilevel page of single pixels eightfold.
    bool fitsClassicFile(uint64_t rawBytes, bool bilevel) {
        return fitsClassicFile(bilevel ? rawBytes * 8 : rawBytes + rawBytes / 2);
    }

    // A bilevel page in one strip, as fax readers expect it.
    GpStatus writeG4Page(const PictureRows& rows, uint64_t lineBytes) {
        const Frame& frame = *rows.header;
        TIFF* tif = m_tiff.get();
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, frame.height);
        try {
            std::vector<uint8_t> page(static_cast<size_t>(lineBytes * frame.height));
            packRows(rows, 0, frame.height, lineBytes, page.data());
            const GpStatus status = writeG4Strip(tif, page.data(), lineBytes, frame.width, frame.height);
            if (status != Ok) return status;
            if (m_errors.failed) return Win32Error;
        } catch (const std::bad_alloc&) {
            return OutOfMemory;
        }
        return Ok;
    }

    struct StripLayout {
        StripCoding coding;
        uint64_t lineBytes;
        uint32_t rowsPerStrip;
        uint16_t samples;
        bool mayPredict;  // try the horizontal predictor, keep it where the page gets smaller
    };

    // Each strip is compressed on its own, by whichever worker is free, and written here in
    // order as soon as it and those before it are ready: a few strips a worker are held
    // compressed, never the page, and no worker waits while strips are written.
    // The predictor is chosen on the first strips, compressed both ways, before anything is
    // written, since the tag cannot change once strips are; always the same number of them,
    // so that the choice, and the file, do not depend on the number of workers.
    GpStatus writeStrips(const PictureRows& page, const StripLayout& layout) {
        const Frame& frame = *page.header;
        constexpr uint32_t kTrialStrips = 32;
        constexpr size_t kStripsAheadPerWorker = 4;
        const uint32_t rowsPerStrip = layout.rowsPerStrip;
        const uint32_t strips = (frame.height - 1) / rowsPerStrip + 1;
        const uint32_t workers = std::max<uint32_t>(1, std::min(GdipWorkerCount(), strips));
        // Strip `strip` into `out`, with the predictor when `predict`; and into `predicted`
        // with it too, when asked.
        const auto compress = [&](uint32_t strip, bool predict, std::vector<uint8_t>& out,
                                  std::vector<uint8_t>* predicted) {
            const uint32_t y = strip * rowsPerStrip;
            const uint32_t rows = std::min(rowsPerStrip, frame.height - y);
            std::vector<uint8_t> raw(static_cast<size_t>(layout.lineBytes * rows));
            packRows(page, y, rows, layout.lineBytes, raw.data());
            out.clear();
            if (predict) differenceRows(raw.data(), rows, layout.lineBytes, layout.samples);
            const GpStatus status = compressStrip(layout.coding, raw.data(), raw.size(), out);
            if (status != Ok || !predicted) return status;
            differenceRows(raw.data(), rows, layout.lineBytes, layout.samples);
            predicted->clear();
            return compressStrip(layout.coding, raw.data(), raw.size(), *predicted);
        };
        const auto write = [&](uint32_t strip, std::vector<uint8_t>& data) {
            return TIFFWriteRawStrip(m_tiff.get(), strip, data.data(), static_cast<tmsize_t>(data.size())) < 0 ||
                           m_errors.failed
                       ? Win32Error
                       : Ok;
        };
        try {
            bool predict = false;
            uint32_t first = 0;
            if (layout.mayPredict) {
                const uint32_t trial = std::min(kTrialStrips, strips);
                std::vector<std::vector<uint8_t>> plain(trial), predicted(trial);
                const GpStatus status = runItemsInBands(trial, workers, [&](size_t i) {
                    return compress(static_cast<uint32_t>(i), false, plain[i], &predicted[i]);
                });
                if (status != Ok) return status;
                size_t plainBytes = 0, predictedBytes = 0;
                for (uint32_t i = 0; i < trial; ++i) {
                    plainBytes += plain[i].size();
                    predictedBytes += predicted[i].size();
                }
                predict = predictedBytes < plainBytes;
                if (predict) TIFFSetField(m_tiff.get(), TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
                for (uint32_t i = 0; i < trial; ++i)
                    if (const GpStatus written = write(i, predict ? predicted[i] : plain[i]); written != Ok) return written;
                first = trial;
            }
            const size_t rest = strips - first, ahead = workers * kStripsAheadPerWorker;
            std::vector<std::vector<uint8_t>> packed(std::min(rest, ahead));
            return runInOrder(
                rest, ahead,
                [&](size_t slot, size_t i) {
                    return compress(first + static_cast<uint32_t>(i), predict, packed[slot], nullptr);
                },
                [&](size_t slot, size_t i) { return write(first + static_cast<uint32_t>(i), packed[slot]); });
        } catch (const std::bad_alloc&) {
            return OutOfMemory;
        }
    }

    // Writes the page total into every directory's PageNumber entry, in place.
    bool patchPageTotals() {
        std::FILE* file = m_stream;
        if (std::fflush(file) != 0) return false;
        const int fd = fileno(file);
        const long long size = descriptorSize(fd);
        const ReadAt readAt = descriptorReader(fd);
        TiffChain chain;
        if (size <= 0 || !readTiffChain(readAt, static_cast<uint64_t>(size), m_pages, chain) ||
            chain.bigTiff != m_bigTiff || chain.offsets.size() != m_pages)
            return false;
        const uint16_t total = static_cast<uint16_t>(std::min<uint32_t>(m_pages, 65535));
        uint8_t value[2];
        writeU16(value, total, chain.little);
        // Classic directories: a 2-byte count and 12-byte entries whose value sits at byte 8;
        // BigTIFF: an 8-byte count and 20-byte entries whose value sits at byte 12. The page
        // total is the second of PageNumber's two shorts.
        const size_t countBytes = chain.bigTiff ? 8 : 2, entryBytes = chain.bigTiff ? 20 : 12,
                     valueAt = chain.bigTiff ? 12 : 8;
        for (const uint64_t offset : chain.offsets) {
            uint8_t countField[8] = {};
            if (!readAt(offset, countField, countBytes)) return false;
            // Our own directories: far fewer entries than a short can count.
            const uint16_t count = readU16(chain.little ? countField : countField + countBytes - 2, chain.little);
            std::vector<uint8_t> entries(size_t{count} * entryBytes);
            if (!readAt(offset + countBytes, entries.data(), entries.size())) return false;
            for (uint16_t e = 0; e < count; ++e) {
                if (readU16(&entries[size_t{e} * entryBytes], chain.little) != TIFFTAG_PAGENUMBER) continue;
                const off_t at = static_cast<off_t>(offset + countBytes + size_t{e} * entryBytes + valueAt + 2);
                if (::pwrite(fd, value, 2, at) != 2) return false;
            }
        }
        return true;
    }

    std::FILE* m_stream;
    TiffCompression m_compression;
    bool m_bigTiff;
    TiffErrors m_errors;  // declared before the handle that reports into it
    TiffPtr m_tiff;
    uint32_t m_pages = 0;
    bool m_finished = false;
};

}  // namespace

std::unique_ptr<TiffPageWriter> createTiffPageWriter(std::FILE* stream, TiffCompression compression, bool bigTiff,
                                                     GpStatus& status) {
    auto encoder = std::make_unique<TiffEncoder>(stream, compression, bigTiff);
    status = encoder->open();
    if (status != Ok) return nullptr;
    return encoder;
}

std::unique_ptr<Encoder> createTiffEncoder(std::FILE* stream, TiffCompression compression, bool bigTiff,
                                           GpStatus& status) {
    return createTiffPageWriter(stream, compression, bigTiff, status);
}

}  // namespace gdip::codecs
