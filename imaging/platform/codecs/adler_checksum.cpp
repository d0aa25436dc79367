#include "adler_checksum.h"

#include <emmintrin.h>

namespace gdip::codecs {
namespace {

constexpr uint32_t kBase = 65521;
// The most bytes whose sums cannot overflow 32 bits before they are reduced, rounded down
// to whole blocks of sixteen.
constexpr size_t kMostAtOnce = 5552 / 16 * 16;

}  // namespace

uint32_t adlerChecksum(uint32_t adler, const uint8_t* data, size_t size) {
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    const __m128i zero = _mm_setzero_si128();
    // Byte i of a block of sixteen weighs 16 - i in the second sum.
    const __m128i firstWeights = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
    const __m128i lastWeights = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
    while (size >= 16) {
        const size_t n = size < kMostAtOnce ? size / 16 * 16 : kMostAtOnce;
        // Over the blocks: the bytes' sum, the sum of the sums before each block, and the
        // weighted sums; the second sum grows by 16 for each byte of each earlier block.
        __m128i sum = zero, earlier = zero, weighted = zero;
        for (size_t at = 0; at < n; at += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
            earlier = _mm_add_epi32(earlier, sum);
            sum = _mm_add_epi32(sum, _mm_sad_epu8(bytes, zero));
            weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(bytes, zero), firstWeights));
            weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(bytes, zero), lastWeights));
        }
        alignas(16) uint32_t s[4], e[4], w[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(s), sum);
        _mm_store_si128(reinterpret_cast<__m128i*>(e), earlier);
        _mm_store_si128(reinterpret_cast<__m128i*>(w), weighted);
        const uint64_t bytesSum = uint64_t{s[0]} + s[2];
        const uint64_t sumsBefore = uint64_t{e[0]} + e[2];
        const uint64_t weightedSum = uint64_t{w[0]} + w[1] + w[2] + w[3];
        b = static_cast<uint32_t>((b + uint64_t{n} * a + 16 * sumsBefore + weightedSum) % kBase);
        a = static_cast<uint32_t>((a + bytesSum) % kBase);
        data += n;
        size -= n;
    }
    for (size_t i = 0; i < size; ++i) {
        a += data[i];
        b += a;
    }
    return (b % kBase) << 16 | (a % kBase);
}

}  // namespace gdip::codecs
