// Paths arrive as UTF-16 and are opened as UTF-8.
#pragma once

#include <string>

namespace gdip {

std::string utf8FromUtf16(const char16_t* text);

}  // namespace gdip
