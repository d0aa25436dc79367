// JSON string literals for the command-line reports.
#pragma once

#include <string>
#include <string_view>

namespace orvelle::cli {

// `text` (UTF-8) as a quoted JSON string.
std::string jsonString(std::string_view text);

}  // namespace orvelle::cli
