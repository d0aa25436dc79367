#include "page_metadata.h"

#include <cstring>

namespace gdip {

ProfileSpace profileSpace(const std::string& profile) {
    // An ICC header is 128 bytes; the data colour space is the signature at byte 16.
    if (profile.size() < 128) return ProfileSpace::None;
    const char* space = profile.data() + 16;
    if (std::memcmp(space, "RGB ", 4) == 0) return ProfileSpace::Rgb;
    if (std::memcmp(space, "GRAY", 4) == 0) return ProfileSpace::Grey;
    if (std::memcmp(space, "CMYK", 4) == 0) return ProfileSpace::Cmyk;
    return ProfileSpace::Other;
}

bool profileFits(const std::string& profile, bool writtenAsGrey) {
    return profileSpace(profile) == (writtenAsGrey ? ProfileSpace::Grey : ProfileSpace::Rgb);
}

}  // namespace gdip
