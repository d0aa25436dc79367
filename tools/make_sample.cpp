// Writes a small three-page document (a text-like page, a page of grey bands and a colour
// page) for trying the program without a scanner at hand.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "imaging/gdiputil.h"
#include "imaging/gdipobj.h"
#include "imaging/output_formats.h"
#include "imaging/text_path.h"

namespace {

using namespace orvelle;

struct Block {
    int32_t x, y, width, height;
    ArgbColor colour;
};

std::unique_ptr<TGPBitmap> drawPage(int32_t width, int32_t height, float dpi,
                                    const std::vector<Block>& blocks) {
    auto page = std::make_unique<TGPBitmap>(width, height, PixelFormat24bppRGB);
    // A failure here shows when the page is saved: a bitmap that was never made.
    (void)page->setResolution(dpi, dpi);
    TGPGraphics graphics(page.get());
    (void)graphics.FillSurface(OpaqueColor(255, 255, 255));
    for (const Block& b : blocks) {
        TGPSolidBrush brush(b.colour);
        (void)graphics.PaintRectangle(&brush, b.x, b.y, b.width, b.height);
    }
    return page;
}

// Lines of "words" on a letter-sized page at 150 dpi, as a fax of a typed page looks.
std::vector<Block> textLines() {
    std::vector<Block> blocks;
    for (int32_t line = 0; line < 40; ++line)
        for (int32_t word = 0; word < 9; ++word) {
            const int32_t width = 40 + (line * 7 + word * 13) % 60;
            blocks.push_back({120 + word * 115, 150 + line * 34, width, 14, OpaqueColor(0, 0, 0)});
        }
    return blocks;
}

std::vector<Block> greyBands() {
    std::vector<Block> blocks;
    for (int32_t band = 0; band < 11; ++band) {
        const uint8_t level = static_cast<uint8_t>(band * 25);
        blocks.push_back({0, band * 100, 850, 100, OpaqueColor(level, level, level)});
    }
    return blocks;
}

std::vector<Block> colourBlocks() {
    return {{40, 40, 260, 180, OpaqueColor(200, 30, 40)},
            {340, 40, 260, 180, OpaqueColor(30, 150, 60)},
            {40, 260, 560, 180, OpaqueColor(40, 70, 200)}};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample OUTPUT.tif\n");
        return 2;
    }
    ImagingSession::open();
    GpStatus status = Ok;
    {
        GUID encoder{};
        FindEncoderByMime("image/tiff", encoder);
        SaveFlagParams flags;
        const std::u16string path = widenPath(argv[1]);
        auto first = drawPage(1275, 1650, 150, textLines());
        status = first->SaveToFile(path, &encoder, flags.block());
        flags.setValue(EncoderValueFrameDimensionPage);
        for (auto& page : {drawPage(850, 1100, 100, greyBands()), drawPage(640, 480, 72, colourBlocks())})
            if (status == Ok) status = first->AppendFrame(page.get(), flags.block());
        flags.setValue(EncoderValueFlush);
        if (status == Ok) status = first->AppendFrame(first.get(), flags.block());
    }
    ImagingSession::close();
    if (status != Ok) std::fprintf(stderr, "make_sample: %s could not be written\n", argv[1]);
    return status == Ok ? 0 : 1;
}
