#include "text_path.h"

#include "imaging/platform/text_utf8.h"

namespace orvelle {

std::u16string widenPath(std::string_view path) { return gdip::utf16FromBytes(path); }

}  // namespace orvelle
