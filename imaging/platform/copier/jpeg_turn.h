// A JPEG stream turned by quarter turns without decoding it: its DCT blocks are moved, every
// coefficient kept, as libjpeg-turbo's lossless transform does.
#pragma once

#include <string>

namespace gdip::codecs {

enum class JpegTurn {
    Done,
    // The picture's sides are not whole blocks in the direction the turn moves to the far
    // edge: turning would drop or move the partial blocks, so it is not turned.
    NotWholeBlocks,
    Failed,  // the data cannot be transformed (`why` says what the transform said)
};

// `jpeg`, a complete stream with its segments, turned by `quarterTurns` quarters clockwise
// into `turned`, its markers (profile, EXIF, comments) kept.
JpegTurn turnJpeg(const std::string& jpeg, int quarterTurns, std::string& turned, std::string& why);

}  // namespace gdip::codecs
