// Paths travel as bytes (normally UTF-8) and as UTF-16 inside the imaging layer. Names on
// disk need not be valid UTF-8 (archives made on other systems carry GBK names), so the
// conversion keeps every byte: a byte that is not part of valid UTF-8 travels as the lone
// low surrogate U+DC80..U+DCFF and becomes the same byte again on the way back.
#pragma once

#include <string>
#include <string_view>

namespace gdip {

std::u16string utf16FromBytes(std::string_view bytes);

// Lone surrogates other than the escaped bytes name no file and become U+FFFD.
std::string bytesFromUtf16(std::u16string_view text);

// For null-terminated strings handed over the flat interface.
std::string utf8FromUtf16(const char16_t* text);

}  // namespace gdip
