// Paths travel as bytes (UTF-8 where valid) and are widened to UTF-16 only where they enter
// the imaging library; the widening keeps every byte (see imaging/platform/text_utf8.h).
#pragma once

#include <string>
#include <string_view>

namespace orvelle {

std::u16string widenPath(std::string_view path);
// The bytes again: widenPath's inverse.
std::string narrowPath(std::u16string_view path);

// The text with leading and trailing blanks and control characters removed: a name typed
// into a field, as it is checked for being empty.
std::string trimmedText(const std::string& text);

}  // namespace orvelle
