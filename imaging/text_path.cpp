#include "text_path.h"

#include "imaging/gdipapi.h"

namespace orvelle {

std::u16string widenPath(std::string_view path) { return gdip::GdipPathToUtf16(path); }

std::string narrowPath(std::u16string_view path) { return gdip::GdipPathFromUtf16(path); }

std::string trimmedText(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

}  // namespace orvelle
