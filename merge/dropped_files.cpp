#include "dropped_files.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

namespace orvelle {
namespace {

namespace fs = std::filesystem;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// -1, 0 or 1 as the digit run `a` is less than, equal to or greater than `b` in value.
int compareNumbers(std::string_view a, std::string_view b) {
    const auto significant = [](std::string_view digits) {
        const size_t first = digits.find_first_not_of('0');
        return first == std::string_view::npos ? std::string_view() : digits.substr(first);
    };
    a = significant(a);
    b = significant(b);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int order = a.compare(b);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

size_t digitRunEnd(std::string_view text, size_t from) {
    while (from < text.size() && isDigit(text[from])) ++from;
    return from;
}

// The pictures directly in `folder`, in natural order of their names; nothing from a folder
// that cannot be read.
std::vector<std::string> picturesIn(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (name.empty() || name[0] == '.' || !isMergePictureName(name) ||
            !it->is_regular_file(typeError))
            continue;
        found.push_back(it->path());
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
        return naturalLess(a.filename().string(), b.filename().string());
    });
    std::vector<std::string> result;
    result.reserve(found.size());
    for (const fs::path& path : found) result.push_back(path.string());
    return result;
}

}  // namespace

bool isMergePictureName(std::string_view name) {
    static constexpr std::array<std::string_view, 9> kExtensions{
        ".tif", ".tiff", ".jpg", ".jpe", ".jpeg", ".bmp", ".png", ".gif", ".pdf"};
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return false;
    std::string extension(name.substr(dot));
    std::transform(extension.begin(), extension.end(), extension.begin(), lowered);
    return std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}

bool naturalLess(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const size_t endA = digitRunEnd(a, i), endB = digitRunEnd(b, j);
            if (const int order = compareNumbers(a.substr(i, endA - i), b.substr(j, endB - j)))
                return order < 0;
            i = endA;
            j = endB;
            continue;
        }
        const char x = lowered(a[i]), y = lowered(b[j]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return j < b.size() && i >= a.size();
    return a < b;  // "page01" and "page1", "A" and "a": still one order
}

std::vector<std::string> droppedPictures(const std::vector<std::string>& paths) {
    std::vector<std::string> result;
    for (const std::string& path : paths) {
        std::error_code error;
        if (!fs::is_directory(path, error)) {
            result.push_back(path);
            continue;
        }
        std::vector<std::string> inside = picturesIn(path);
        result.insert(result.end(), std::make_move_iterator(inside.begin()),
                      std::make_move_iterator(inside.end()));
    }
    return result;
}

}  // namespace orvelle
