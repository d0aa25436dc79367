#include "quoted_name.h"

#include <cstdio>

namespace orvelle::cli {

std::string quotedName(const std::string& path) {
    bool plain = !path.empty();
    for (const char c : path)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) plain = false;
    if (plain) return path;
    std::string out = "'";
    for (const char c : path) {
        switch (c) {
            case '\'': out += "\\'"; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "'";
}

}  // namespace orvelle::cli
