// Whether two paths name the same file, also through links.
#pragma once

#include <string>

namespace orvelle {

// False when either does not exist.
bool sameFile(const std::string& a, const std::string& b);

}  // namespace orvelle
