// The codes of CCITT Group 4 (and of Group 3's two-dimensional rows), shared by our coder
// and our reader.
#pragma once

#include <array>
#include <cstdint>

namespace gdip::codecs::g4 {

struct Code {
    uint32_t bits;
    uint32_t length;
};

// Codes are written here as the recommendation prints them, first bit on the left.
constexpr Code code(const char* text) {
    Code c{0, 0};
    for (; *text; ++text, ++c.length) c.bits = (c.bits << 1) | static_cast<uint32_t>(*text == '1');
    return c;
}

inline constexpr std::array<Code, 64> kWhiteRuns = {
    code("00110101"), code("000111"),   code("0111"),     code("1000"),     code("1011"),     code("1100"),
    code("1110"),     code("1111"),     code("10011"),    code("10100"),    code("00111"),    code("01000"),
    code("001000"),   code("000011"),   code("110100"),   code("110101"),   code("101010"),   code("101011"),
    code("0100111"),  code("0001100"),  code("0001000"),  code("0010111"),  code("0000011"),  code("0000100"),
    code("0101000"),  code("0101011"),  code("0010011"),  code("0100100"),  code("0011000"),  code("00000010"),
    code("00000011"), code("00011010"), code("00011011"), code("00010010"), code("00010011"), code("00010100"),
    code("00010101"), code("00010110"), code("00010111"), code("00101000"), code("00101001"), code("00101010"),
    code("00101011"), code("00101100"), code("00101101"), code("00000100"), code("00000101"), code("00001010"),
    code("00001011"), code("01010010"), code("01010011"), code("01010100"), code("01010101"), code("00100100"),
    code("00100101"), code("01011000"), code("01011001"), code("01011010"), code("01011011"), code("01001010"),
    code("01001011"), code("00110010"), code("00110011"), code("00110100"),
};

inline constexpr std::array<Code, 64> kBlackRuns = {
    code("0000110111"),   code("010"),          code("11"),           code("10"),           code("011"),
    code("0011"),         code("0010"),         code("00011"),        code("000101"),       code("000100"),
    code("0000100"),      code("0000101"),      code("0000111"),      code("00000100"),     code("00000111"),
    code("000011000"),    code("0000010111"),   code("0000011000"),   code("0000001000"),   code("00001100111"),
    code("00001101000"),  code("00001101100"),  code("00000110111"),  code("00000101000"),  code("00000010111"),
    code("00000011000"),  code("000011001010"), code("000011001011"), code("000011001100"), code("000011001101"),
    code("000001101000"), code("000001101001"), code("000001101010"), code("000001101011"), code("000011010010"),
    code("000011010011"), code("000011010100"), code("000011010101"), code("000011010110"), code("000011010111"),
    code("000001101100"), code("000001101101"), code("000011011010"), code("000011011011"), code("000001010100"),
    code("000001010101"), code("000001010110"), code("000001010111"), code("000001100100"), code("000001100101"),
    code("000001010010"), code("000001010011"), code("000000100100"), code("000000110111"), code("000000111000"),
    code("000000100111"), code("000000101000"), code("000001011000"), code("000001011001"), code("000000101011"),
    code("000000101100"), code("000001011010"), code("000001100110"), code("000001100111"),
};

// Make-up codes for 64, 128, … 2560 pixels: the first 27 differ by colour, the rest are shared.
inline constexpr std::array<Code, 27> kWhiteMakeUp = {
    code("11011"),     code("10010"),     code("010111"),    code("0110111"),   code("00110110"),
    code("00110111"),  code("01100100"),  code("01100101"),  code("01101000"),  code("01100111"),
    code("011001100"), code("011001101"), code("011010010"), code("011010011"), code("011010100"),
    code("011010101"), code("011010110"), code("011010111"), code("011011000"), code("011011001"),
    code("011011010"), code("011011011"), code("010011000"), code("010011001"), code("010011010"),
    code("011000"),    code("010011011"),
};

inline constexpr std::array<Code, 27> kBlackMakeUp = {
    code("0000001111"),    code("000011001000"),  code("000011001001"),  code("000001011011"),
    code("000000110011"),  code("000000110100"),  code("000000110101"),  code("0000001101100"),
    code("0000001101101"), code("0000001001010"), code("0000001001011"), code("0000001001100"),
    code("0000001001101"), code("0000001110010"), code("0000001110011"), code("0000001110100"),
    code("0000001110101"), code("0000001110110"), code("0000001110111"), code("0000001010010"),
    code("0000001010011"), code("0000001010100"), code("0000001010101"), code("0000001011010"),
    code("0000001011011"), code("0000001100100"), code("0000001100101"),
};

inline constexpr std::array<Code, 13> kSharedMakeUp = {
    code("00000001000"),  code("00000001100"),  code("00000001101"),  code("000000010010"), code("000000010011"),
    code("000000010100"), code("000000010101"), code("000000010110"), code("000000010111"), code("000000011100"),
    code("000000011101"), code("000000011110"), code("000000011111"),
};

inline constexpr Code kPass = code("0001");
inline constexpr Code kHorizontal = code("001");
// Vertical modes by a1 - b1, from -3 to 3.
inline constexpr std::array<Code, 7> kVertical = {code("0000010"), code("000010"), code("010"), code("1"),
                                           code("011"),     code("000011"), code("0000011")};
inline constexpr Code kEndOfLine = code("000000000001");
inline constexpr uint32_t kLongestMakeUp = 2560;

}  // namespace gdip::codecs::g4
