// Paths travel as UTF-8 and are widened to UTF-16 only where they enter the imaging library.
#pragma once

#include <string>
#include <string_view>

namespace orvelle {

std::u16string widenPath(std::string_view utf8);

}  // namespace orvelle
