// JSON string literals for the command-line reports.
#pragma once

#include <string>
#include <string_view>

namespace orvelle::cli {

// `text` as a quoted JSON string; a byte that is not part of valid UTF-8 becomes U+FFFD, so
// the report stays JSON whatever bytes a file name holds.
std::string jsonString(std::string_view text);

// `"key": "name"` for a file name, followed by `"key_base64": "..."` holding the exact bytes
// when the name is not valid UTF-8 (the readable form then has U+FFFD in it).
std::string jsonName(std::string_view key, std::string_view name);

}  // namespace orvelle::cli
