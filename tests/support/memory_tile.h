// A picture control in memory for the tile and the page list, as the window's picture box
// behaves: emptied, it holds nothing; the next surface makes a new white 120 x 120 picture.
#pragma once

#include <memory>
#include <vector>

#include "imaging/thumbnail_tile.h"

namespace fixtures {

class MemoryTileTarget : public orvelle::TileTarget {
public:
    void emptyPicture() override { m_pixels.clear(); }
    std::unique_ptr<orvelle::TGPGraphics> drawingSurface() override {
        if (m_pixels.empty()) m_pixels.assign(size_t{orvelle::kTileEdge} * orvelle::kTileEdge, 0xFFFFFFFFu);
        m_context = orvelle::HDC__{m_pixels.data(), orvelle::kTileEdge, orvelle::kTileEdge,
                                   orvelle::kTileEdge * 4};
        return std::make_unique<orvelle::TGPGraphics>(&m_context);
    }
    void drawingDone() override { ++m_drawings; }

    bool empty() const { return m_pixels.empty(); }
    int drawings() const { return m_drawings; }
    const std::vector<uint32_t>& pixels() const { return m_pixels; }
    // The colour at (x, y) as opaque ARGB (the device context ignores alpha).
    uint32_t at(int x, int y) const { return m_pixels[size_t(y) * orvelle::kTileEdge + x] | 0xFF000000u; }

private:
    std::vector<uint32_t> m_pixels;
    orvelle::HDC__ m_context;
    int m_drawings = 0;
};

}  // namespace fixtures
