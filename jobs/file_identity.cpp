#include "file_identity.h"

#include <filesystem>
#include <system_error>

namespace orvelle {

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code error;
    const bool same = std::filesystem::equivalent(a, b, error);
    return !error && same;
}

}  // namespace orvelle
