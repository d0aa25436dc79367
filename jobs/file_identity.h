// Whether two paths name the same file, also through links.
#pragma once

#include <string>

namespace orvelle {

// False when either does not exist.
bool sameFile(const std::string& a, const std::string& b);

// The text with leading and trailing blanks and control characters removed.
std::string trimmedText(const std::string& text);

}  // namespace orvelle
