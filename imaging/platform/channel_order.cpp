#include "channel_order.h"

namespace gdip {

// Every page of a colour document passes through here. Without byte shuffles (which the
// baseline x86-64 instruction set lacks) a stride of three does not vectorise, so a version
// for processors that have them is chosen when the program loads.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("default", "avx2")))
#endif
void swapRedAndBlue(const uint8_t* __restrict src, uint8_t* __restrict dst, size_t pixels) {
    for (size_t x = 0; x < pixels; ++x) {
        dst[3 * x] = src[3 * x + 2];
        dst[3 * x + 1] = src[3 * x + 1];
        dst[3 * x + 2] = src[3 * x];
    }
}

}  // namespace gdip
