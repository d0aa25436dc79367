// Rows of 3-byte pixels between red first (as files store them) and blue first (as frames
// hold them): the same swap either way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gdip {

// `pixels` pixels from `src` to `dst` with the first and third bytes exchanged; the two
// must not overlap.
void swapRedAndBlue(const uint8_t* src, uint8_t* dst, size_t pixels);

}  // namespace gdip
