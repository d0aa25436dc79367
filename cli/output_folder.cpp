#include "output_folder.h"

#include <filesystem>
#include <system_error>

namespace orvelle::cli {

bool makeOutputFolder(const std::string& folder, std::string& why) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder), error);
    if (!error) return true;
    why = error.message();
    return false;
}

}  // namespace orvelle::cli
