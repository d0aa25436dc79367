#include "text_path.h"

#include <cstdint>

namespace orvelle {

std::u16string widenPath(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        uint32_t code = 0xFFFD;
        size_t length = 1;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead >> 5) == 0x6) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead >> 4) == 0xE) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead >> 3) == 0x1E) {
            length = 4;
            code = lead & 0x07;
        }
        bool valid = lead < 0x80 || length > 1;
        if (length > 1) {
            if (i + length > utf8.size()) {
                valid = false;
            } else {
                for (size_t k = 1; k < length; ++k) {
                    const auto next = static_cast<unsigned char>(utf8[i + k]);
                    if ((next >> 6) != 0x2) valid = false;
                    code = (code << 6) | (next & 0x3F);
                }
            }
        }
        if (!valid) {
            code = 0xFFFD;
            length = 1;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        i += length;
    }
    return out;
}

}  // namespace orvelle
