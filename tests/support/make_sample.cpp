// Writes a small three-page document (a fax-like bilevel page, a grey page and a colour page)
// for trying the program without a scanner at hand.
#include <tiffio.h>

#include <cstdio>

#include "fixtures.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample OUTPUT.tif\n");
        return 2;
    }
    using fixtures::TiffKind;
    fixtures::writeTiff(argv[1], {
                                     {TiffKind::Bilevel, 1275, 1650, COMPRESSION_CCITTFAX4, true, false, 150},
                                     {TiffKind::Grey8, 850, 1100, COMPRESSION_LZW, false, false, 100},
                                     {TiffKind::Rgb, 640, 480, COMPRESSION_ADOBE_DEFLATE, false, false, 72},
                                 });
    return 0;
}
