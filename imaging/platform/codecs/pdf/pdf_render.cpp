#include "pdf_render.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "../../image_limits.h"
#include "../../module_loader.h"
#include "pdf_renderer_module.h"

namespace gdip::codecs::pdf {
namespace {

std::atomic<double> g_drawResolution{300};

// Rows drawn at a time: the renderer's picture of a whole page at 300 dpi is tens of
// megabytes of memory touched once, which costs more than drawing it; a band of a few
// megabytes is reused from the heap.
constexpr uint64_t kBandBytes = 16u << 20;

// A rendered pixel (premultiplied ARGB) on white paper, as 0xRRGGBB.
inline uint32_t onWhite(uint32_t pixel) {
    const uint32_t paper = 255 - (pixel >> 24);
    const uint32_t r = std::min<uint32_t>(255, ((pixel >> 16) & 0xff) + paper);
    const uint32_t g = std::min<uint32_t>(255, ((pixel >> 8) & 0xff) + paper);
    const uint32_t b = std::min<uint32_t>(255, (pixel & 0xff) + paper);
    return r << 16 | g << 8 | b;
}

// The page's rows in the least class that holds the rows drawn so far: bilevel while every
// pixel is black or white (a page of text never needs more), then grey, then RGB, the rows
// already kept brought along when a row needs more.
class PageRows {
public:
    GpStatus start(uint32_t width, uint32_t height) {
        if (const GpStatus status = allocateFrame(m_frame, width, height, PixelClass::Indexed1); status != Ok) return status;
        m_frame.palette = greyPalette(1);
        return Ok;
    }

    // `rows` rows of premultiplied ARGB, the page's width each, from row `top` on.
    GpStatus take(const uint32_t* band, uint32_t rows, uint32_t top) {
        for (uint32_t y = 0; y < rows; ++y) {
            const uint32_t* in = band + size_t{y} * m_frame.width;
            const uint32_t row = top + y;
            if (m_frame.pixelClass == PixelClass::Indexed1 && bilevelRow(in, row)) continue;
            if (m_frame.pixelClass == PixelClass::Indexed1)
                if (const GpStatus status = bringAlong(row, PixelClass::Indexed8); status != Ok) return status;
            if (m_frame.pixelClass == PixelClass::Indexed8 && greyRow(in, row)) continue;
            if (m_frame.pixelClass == PixelClass::Indexed8)
                if (const GpStatus status = bringAlong(row, PixelClass::Rgb24); status != Ok) return status;
            colourRow(in, row);
        }
        return Ok;
    }

    Frame finish() { return std::move(m_frame); }

private:
    // Writes row y as bits; false when a pixel is neither black nor white.
    bool bilevelRow(const uint32_t* in, uint32_t y) {
        uint8_t* out = m_frame.row(y);
        for (uint32_t x0 = 0; x0 < m_frame.width; x0 += 8) {
            // Eight pixels of paper at once, as most of a page is.
            if (x0 + 8 <= m_frame.width) {
                uint32_t all = ~0u, any = 0;
                for (uint32_t x = x0; x < x0 + 8; ++x) all &= in[x], any |= in[x];
                if (all == 0xffffffffu || any == 0) {
                    out[x0 >> 3] = 0xff;
                    continue;
                }
            }
            uint8_t bits = 0;
            for (uint32_t x = x0; x < std::min(x0 + 8, m_frame.width); ++x) {
                const uint32_t pixel = in[x];
                // Paper (opaque white, or nothing drawn) and ink, as most pixels of a page are.
                bool white = pixel == 0xffffffffu || pixel == 0;
                if (!white && pixel != 0xff000000u) {
                    const uint32_t rgb = onWhite(pixel);
                    if (rgb != 0xffffff && rgb != 0) return false;
                    white = rgb != 0;
                }
                bits |= uint8_t(uint8_t(white) << (7 - (x - x0)));
            }
            out[x0 >> 3] = bits;
        }
        return true;
    }

    // Writes row y as grey levels; false when a pixel holds colour.
    bool greyRow(const uint32_t* in, uint32_t y) {
        uint8_t* out = m_frame.row(y);
        for (uint32_t x = 0; x < m_frame.width; ++x) {
            const uint32_t rgb = onWhite(in[x]);
            const uint8_t level = rgb & 0xff;
            if ((rgb >> 16) != level || ((rgb >> 8) & 0xff) != level) return false;
            out[x] = level;
        }
        return true;
    }

    void colourRow(const uint32_t* in, uint32_t y) {
        uint8_t* out = m_frame.row(y);
        for (uint32_t x = 0; x < m_frame.width; ++x) {
            const uint32_t rgb = onWhite(in[x]);
            out[x * 3] = rgb & 0xff, out[x * 3 + 1] = (rgb >> 8) & 0xff, out[x * 3 + 2] = uint8_t(rgb >> 16);
        }
    }

    // The rows above `y` again in `wider`, once a row needs it.
    GpStatus bringAlong(uint32_t y, PixelClass wider) {
        Frame next;
        if (const GpStatus status = allocateFrame(next, m_frame.width, m_frame.height, wider); status != Ok) return status;
        const size_t bytes = wider == PixelClass::Rgb24 ? 3 : 1;
        for (uint32_t row = 0; row < y; ++row) {
            const uint8_t* in = m_frame.row(row);
            uint8_t* out = next.row(row);
            for (uint32_t x = 0; x < m_frame.width; ++x) {
                const bool bits = m_frame.pixelClass == PixelClass::Indexed1;
                const uint8_t level = bits ? uint8_t(((in[x >> 3] >> (7 - (x & 7))) & 1) * 255) : in[x];
                std::memset(out + x * bytes, level, bytes);
            }
        }
        if (wider == PixelClass::Indexed8) next.palette = greyPalette(8);
        m_frame = std::move(next);
        return Ok;
    }

    Frame m_frame;
};

GpStatus fail(Frame& frame, GpStatus status, std::string why) {
    frame = Frame{};
    frame.failure = std::move(why);
    return status;
}

}  // namespace

void setDrawResolution(double dpi) { g_drawResolution = dpi; }
double drawResolution() { return g_drawResolution; }

namespace {

const RendererModule* loadRenderer(std::string& why) {
    std::string failure;
    const auto* module = static_cast<const RendererModule*>(
        loadModule("liborvelle_pdf_renderer.so", ORVELLE_RENDERER_BUILT, "orvelle_pdf_renderer", failure));
    if (!module) why = "the page cannot be drawn: the PDF renderer cannot be loaded: " + failure;
    return module;
}

}  // namespace

struct PageRenderer::State {
    explicit State(UniqueFd fd) : fd(std::move(fd)) {}
    ~State() {
        if (module && document) module->close(document);
    }
    UniqueFd fd;
    const RendererModule* module = nullptr;
    void* document = nullptr;
    bool loaded = false;
};

PageRenderer::PageRenderer(UniqueFd fd) : m_state(std::make_unique<State>(std::move(fd))) {}
PageRenderer::~PageRenderer() = default;

GpStatus PageRenderer::render(uint32_t index, double dpi, Frame& frame) {
    frame = Frame{};
    State& s = *m_state;
    if (!s.loaded) {
        s.loaded = true;
        std::string why;
        s.module = loadRenderer(why);
        if (!s.module) return fail(frame, GenericError, why);
        s.document = s.module->open(s.fd.release());
        if (!s.document) return fail(frame, Win32Error, "the PDF cannot be read again");
    }
    if (!s.module) return fail(frame, GenericError, "the page cannot be drawn: the PDF renderer cannot be loaded");
    if (!s.document) return fail(frame, Win32Error, "the PDF cannot be read again");
    const int pages = s.module->pageCount(s.document);
    double pointsWide = 0, pointsHigh = 0;
    if (pages < 0 || int64_t{index} >= pages || !s.module->pageSize(s.document, int(index), &pointsWide, &pointsHigh))
        return fail(frame, UnknownImageFormat, "the page cannot be drawn: the renderer cannot read the PDF");
    const double width = std::round(pointsWide * dpi / 72), height = std::round(pointsHigh * dpi / 72);
    if (!(width >= 1 && height >= 1) || !frameAllowed(uint64_t(std::min(width, 1e12)), uint64_t(std::min(height, 1e12)), PixelClass::Rgb24))
        return fail(frame, InvalidParameter, "the page drawn at " + std::to_string(std::lround(dpi)) + " dpi would be too large");
    const auto pageWidth = static_cast<uint32_t>(width), pageHeight = static_cast<uint32_t>(height);
    PageRows rows;
    if (const GpStatus status = rows.start(pageWidth, pageHeight); status != Ok) return status;
    const auto bandRows = static_cast<uint32_t>(std::clamp<uint64_t>(kBandBytes / (uint64_t{pageWidth} * 4), 16, pageHeight));
    try {
        std::vector<uint32_t> band(size_t{pageWidth} * bandRows);
        for (uint32_t top = 0; top < pageHeight; top += bandRows) {
            const uint32_t count = std::min(bandRows, pageHeight - top);
            if (!s.module->drawRows(s.document, int(index), int(pageWidth), int(pageHeight), int(top), int(count), band.data()))
                return fail(frame, GenericError, "the page cannot be drawn");
            if (const GpStatus status = rows.take(band.data(), count, top); status != Ok) return fail(frame, status, "");
        }
    } catch (const std::bad_alloc&) {
        return fail(frame, OutOfMemory, "");
    }
    frame = rows.finish();
    frame.dpiX = frame.dpiY = dpi;
    return Ok;
}

}  // namespace gdip::codecs::pdf
