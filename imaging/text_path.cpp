#include "text_path.h"

#include "imaging/platform/text_utf8.h"

namespace orvelle {

std::u16string widenPath(std::string_view path) { return gdip::utf16FromBytes(path); }

std::string narrowPath(std::u16string_view path) { return gdip::bytesFromUtf16(path); }

std::string trimmedText(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

}  // namespace orvelle
