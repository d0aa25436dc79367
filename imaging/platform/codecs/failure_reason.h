// Why a decode failed, in the codec library's own words ("Not a JPEG file: starts with 0x89
// 0x50"), kept by the decoder that failed and handed on with the frame it could not fill,
// for a caller that shows more than a status.
#pragma once

#include <string>

namespace gdip::codecs {

class FailureNote {
public:
    void clear() { m_text.clear(); }
    // Keeps the first reason given since the last clear: later ones are consequences.
    void note(const std::string& reason) {
        if (m_text.empty()) m_text = reason;
    }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

}  // namespace gdip::codecs
