// Why the last file on this thread could not be decoded, in the codec library's own words
// ("Not a JPEG file: starts with 0x89 0x50"), for a caller that shows more than a status.
#pragma once

#include <string>

namespace gdip::codecs {

void clearFailureReason();
// Keeps the first reason given since the last clear: later ones are consequences.
void noteFailureReason(const std::string& reason);
const std::string& failureReason();

}  // namespace gdip::codecs
