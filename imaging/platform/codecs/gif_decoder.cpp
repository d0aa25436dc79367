// GIF frames through giflib, composited on the logical screen as a viewer shows them:
// transparency lets earlier frames show through and each frame's disposal is honoured.
// Frames are decoded in order from a streaming reader and composed in place on the frame
// last delivered, so only the screen, the region a "restore previous" image covers and one
// line stay in memory, whatever the frame count.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "../argb.h"
#include "../image_limits.h"
#include "codec.h"
#include "file_handle.h"

namespace gdip::codecs {
namespace {

struct GifCloser {
    void operator()(GifFileType* gif) const {
        if (gif) DGifCloseFile(gif, nullptr);
    }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

int readFromStream(GifFileType* gif, GifByteType* buffer, int length) {
    auto* file = static_cast<std::FILE*>(gif->UserData);
    return static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(length), file));
}

struct Placement {
    int left = 0, top = 0, width = 0, height = 0;
};

// What the graphic control extension before an image says.
struct FrameControl {
    int disposal = DISPOSAL_UNSPECIFIED;
    int transparent = NO_TRANSPARENT_COLOR;
};

class GifDecoder final : public Decoder {
public:
    GpStatus open(UniqueFd fd) {
        m_file = streamFromDescriptor(std::move(fd));
        if (!m_file) return OutOfMemory;
        if (!restart()) return UnknownImageFormat;
        m_screenWidth = static_cast<uint32_t>(std::max(0, m_gif->SWidth));
        m_screenHeight = static_cast<uint32_t>(std::max(0, m_gif->SHeight));
        if (!frameSizeAllowed(m_screenWidth, m_screenHeight)) return UnknownImageFormat;
        const GpStatus status = countFrames();
        if (status != Ok) return status;
        return restart() ? Ok : UnknownImageFormat;
    }

    const GUID& rawFormat() const override { return ImageFormatGIF; }
    const GUID& frameDimension() const override { return FrameDimensionTime; }
    uint32_t frameCount() const override { return m_count; }

protected:
    // `out` may hold the frame this decoder delivered last: the next frame is composed on
    // it in place, so a decode holds the one screen-sized frame and no copy of it.
    GpStatus decodeFrame(uint32_t index, Frame& out) override {
        Frame previous = std::move(out);
        out = Frame{};
        if (index >= m_count) return InvalidParameter;
        try {
            const bool continues = m_next > 0 && m_next <= index && !previous.empty() &&
                                   previous.pixels.get() == m_delivered;
            Frame canvas;
            if (continues) canvas = std::move(previous);
            previous = Frame{};
            m_delivered = nullptr;
            if (!continues && m_next != 0 && !restart()) return GenericError;
            while (m_next <= index) {
                const GpStatus status = composeNext(canvas, index == m_next);
                if (status != Ok) {
                    if (m_gif && m_gif->Error != 0) failure().note(GifErrorString(m_gif->Error));
                    m_next = UINT32_MAX;  // state is unknown: the next read starts over
                    return status;
                }
            }
            out = std::move(canvas);
            m_delivered = out.pixels.get();
            return Ok;
        } catch (const std::bad_alloc&) {
            m_next = UINT32_MAX;
            out = Frame{};
            return OutOfMemory;
        }
    }

private:
    bool restart() {
        m_gif.reset();
        if (std::fseek(m_file.get(), 0, SEEK_SET) != 0) return false;
        int error = 0;
        m_gif.reset(DGifOpen(m_file.get(), &readFromStream, &error));
        if (!m_gif) failure().note(GifErrorString(error));
        m_next = 0;
        m_saved.clear();
        m_pendingDisposal = DISPOSAL_UNSPECIFIED;
        return m_gif != nullptr;
    }

    // Counts the images without decompressing them; a frame counts once all its data is there.
    GpStatus countFrames() {
        GifFileType* gif = m_gif.get();
        GifRecordType record;
        while (m_count < Limits::kMaxFrames && DGifGetRecordType(gif, &record) == GIF_OK) {
            if (record == TERMINATE_RECORD_TYPE) break;
            if (record == IMAGE_DESC_RECORD_TYPE) {
                if (DGifGetImageDesc(gif) != GIF_OK) break;
                trimSavedImages(gif);
                int codeSize = 0;
                GifByteType* block = nullptr;
                if (DGifGetCode(gif, &codeSize, &block) != GIF_OK) break;
                bool complete = true;
                while (block) {
                    if (DGifGetCodeNext(gif, &block) != GIF_OK) {
                        complete = false;
                        break;
                    }
                }
                if (!complete) break;
                ++m_count;
            } else if (record == EXTENSION_RECORD_TYPE) {
                if (!skipExtension(gif, nullptr)) break;
            }
        }
        return m_count > 0 ? Ok : UnknownImageFormat;
    }

    // giflib keeps a copy of every image description it reads; a streaming reader needs
    // none of them, and keeping them would make a long animation cost time and memory
    // growing with its length.
    static void trimSavedImages(GifFileType* gif) {
        GifFreeSavedImages(gif);
        gif->ImageCount = 0;
    }

    static Placement placementOf(const GifImageDesc& desc) {
        return {desc.Left, desc.Top, desc.Width, desc.Height};
    }

    // Reads an extension's blocks; when `control` is given, a graphic control block fills it.
    static bool skipExtension(GifFileType* gif, FrameControl* control) {
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
        if (control && code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock gcb{};
            if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
                control->disposal = gcb.DisposalMode;
                control->transparent = gcb.TransparentColor;
            }
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
        }
        return true;
    }

    // A single full-screen opaque image keeps its palette; anything composited is ARGB.
    bool keepsIndexed(const FrameControl& control, const Placement& at) const {
        return m_count == 1 && control.transparent == NO_TRANSPARENT_COLOR && at.left == 0 &&
               at.top == 0 && static_cast<uint32_t>(at.width) == m_screenWidth &&
               static_cast<uint32_t>(at.height) == m_screenHeight;
    }

    // Decodes the next image onto `canvas`, the screen as the previous image left it (empty
    // before the first). `wanted`: this is the frame the caller asked for.
    GpStatus composeNext(Frame& canvas, bool wanted) {
        GifFileType* gif = m_gif.get();
        FrameControl control;
        GifRecordType record;
        for (;;) {
            if (DGifGetRecordType(gif, &record) != GIF_OK) return GenericError;
            if (record == TERMINATE_RECORD_TYPE) return GenericError;
            if (record == EXTENSION_RECORD_TYPE) {
                if (!skipExtension(gif, &control)) return GenericError;
                continue;
            }
            if (record == IMAGE_DESC_RECORD_TYPE) break;
        }
        if (DGifGetImageDesc(gif) != GIF_OK) return GenericError;
        trimSavedImages(gif);
        const Placement at = placementOf(gif->Image);
        const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
        if (at.width <= 0 || at.height <= 0 ||
            !frameSizeAllowed(static_cast<uint64_t>(at.width), static_cast<uint64_t>(at.height)))
            return UnknownImageFormat;
        // An image that lies wholly off the screen shows nothing: the file is broken.
        if (at.left < 0 || at.top < 0 || static_cast<uint32_t>(at.left) >= m_screenWidth ||
            static_cast<uint32_t>(at.top) >= m_screenHeight)
            return UnknownImageFormat;

        // A file without any colour table gets grey levels, index i showing as (i, i, i).
        std::vector<ARGB> palette = greyPalette(8);
        const int colourCount = map ? std::clamp(map->ColorCount, 0, 256) : 256;
        if (map) std::fill(palette.begin(), palette.end(), 0xFF000000u);
        for (int i = 0; map && i < colourCount; ++i) {
            const GifColorType& c = map->Colors[i];
            palette[static_cast<size_t>(i)] = opaque(c.Red, c.Green, c.Blue);
        }
        std::vector<GifPixelType> line(static_cast<size_t>(at.width));

        if (wanted && canvas.empty() && keepsIndexed(control, at)) {
            GpStatus status = allocateFrame(canvas, m_screenWidth, m_screenHeight,
                                            PixelClass::Indexed8);
            if (status != Ok) return status;
            canvas.palette.assign(palette.begin(), palette.begin() + std::max(colourCount, 2));
            status = forEachLine(gif, at, line, [&](uint32_t y) {
                std::memcpy(canvas.row(y), line.data(), line.size());
            });
            if (status == Ok) ++m_next;
            return status;
        }

        if (canvas.empty()) {
            const GpStatus status =
                allocateFrame(canvas, m_screenWidth, m_screenHeight, PixelClass::Argb32);
            if (status != Ok) return status == InvalidParameter ? UnknownImageFormat : status;
        } else {
            applyPendingDisposal(canvas);
        }
        const Placement visible = clipped(at);
        if (control.disposal == DISPOSE_PREVIOUS) saveRegion(canvas, visible);
        const GpStatus status = forEachLine(gif, at, line, [&](uint32_t y) {
            if (y >= static_cast<uint32_t>(visible.height)) return;
            auto* dst = reinterpret_cast<ARGB*>(canvas.row(y + static_cast<uint32_t>(at.top))) +
                        at.left;
            for (int x = 0; x < visible.width; ++x) {
                const int index = line[static_cast<size_t>(x)];
                if (index != control.transparent) dst[x] = palette[static_cast<size_t>(index)];
            }
        });
        if (status != Ok) return status;
        m_pendingDisposal = control.disposal;
        m_pendingPlacement = visible;
        ++m_next;
        return Ok;
    }

    // The part of an image that lies on the screen.
    Placement clipped(const Placement& at) const {
        Placement visible = at;
        visible.width = static_cast<int>(
            std::min<uint32_t>(static_cast<uint32_t>(at.width), m_screenWidth - at.left));
        visible.height = static_cast<int>(
            std::min<uint32_t>(static_cast<uint32_t>(at.height), m_screenHeight - at.top));
        return visible;
    }

    // "Restore previous" needs only what the image is about to cover.
    void saveRegion(const Frame& canvas, const Placement& region) {
        const size_t rowBytes = size_t(region.width) * 4;
        m_saved.resize(rowBytes * size_t(region.height));
        for (int y = 0; y < region.height; ++y)
            std::memcpy(m_saved.data() + size_t(y) * rowBytes,
                        canvas.row(static_cast<uint32_t>(region.top + y)) + size_t(region.left) * 4,
                        rowBytes);
    }

    void applyPendingDisposal(Frame& canvas) {
        const Placement& at = m_pendingPlacement;
        const size_t rowBytes = size_t(at.width) * 4;
        if (m_pendingDisposal == DISPOSE_BACKGROUND) {
            for (int y = 0; y < at.height; ++y)
                std::memset(canvas.row(static_cast<uint32_t>(at.top + y)) + size_t(at.left) * 4, 0,
                            rowBytes);
        } else if (m_pendingDisposal == DISPOSE_PREVIOUS &&
                   m_saved.size() == rowBytes * size_t(at.height)) {
            for (int y = 0; y < at.height; ++y)
                std::memcpy(canvas.row(static_cast<uint32_t>(at.top + y)) + size_t(at.left) * 4,
                            m_saved.data() + size_t(y) * rowBytes, rowBytes);
        }
        m_pendingDisposal = DISPOSAL_UNSPECIFIED;
    }

    // Reads every line of the current image, calling `sink` with its row inside the image.
    template <typename Sink>
    GpStatus forEachLine(GifFileType* gif, const Placement& at, std::vector<GifPixelType>& line,
                         Sink sink) {
        const uint32_t height = static_cast<uint32_t>(at.height);
        auto readLine = [&](uint32_t y) {
            if (DGifGetLine(gif, line.data(), at.width) != GIF_OK) return false;
            sink(y);
            return true;
        };
        if (gif->Image.Interlace) {
            static constexpr uint32_t kStart[] = {0, 4, 2, 1};
            static constexpr uint32_t kStep[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (uint32_t y = kStart[pass]; y < height; y += kStep[pass])
                    if (!readLine(y)) return GenericError;
        } else {
            for (uint32_t y = 0; y < height; ++y)
                if (!readLine(y)) return GenericError;
        }
        return Ok;
    }

    FilePtr m_file;
    GifPtr m_gif;
    uint32_t m_screenWidth = 0;
    uint32_t m_screenHeight = 0;
    uint32_t m_count = 0;
    uint32_t m_next = 0;  // index of the next image the stream will deliver
    const uint8_t* m_delivered = nullptr;  // pixels of the frame last handed out
    std::vector<uint8_t> m_saved;         // what a "restore previous" image covers
    int m_pendingDisposal = DISPOSAL_UNSPECIFIED;
    Placement m_pendingPlacement;
};

}  // namespace

std::unique_ptr<Decoder> openGifDecoder(UniqueFd fd, GpStatus& status, std::string& reason) {
    return openDecoderOf<GifDecoder>(std::move(fd), status, reason);
}

}  // namespace gdip::codecs
