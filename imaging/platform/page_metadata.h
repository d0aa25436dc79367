// What a page carries besides its pixels, from the file it was read from to the files it is
// written to: its colour profile, its text tags, how it was stored turned, and a resolution
// that has no unit.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gdip {

struct PageMetadata {
    std::string iccProfile;  // the embedded colour profile, as stored; empty when none
    // TIFF text tags (PageName, DocumentName, DateTime ...) by tag number, as stored.
    std::vector<std::pair<uint16_t, std::string>> text;
    // How the file stored the page, 1 to 8 as TIFF and EXIF number it. A decoded frame's
    // pixels are already upright; this says what was done.
    uint16_t orientation = 1;
    // A resolution stored without a unit: only the pixels' aspect is known (fax pages are
    // 204 x 196). Zero when the page has none, or has dots per inch instead.
    double aspectX = 0;
    double aspectY = 0;
};

enum class ProfileSpace { None, Rgb, Grey, Cmyk, Other };

// The colour space a profile's pixels are in, from its header.
ProfileSpace profileSpace(const std::string& profile);

// Whether `profile` describes pixels written as grey levels (bilevel and grey pages) or as
// RGB (RGB, palette and alpha pages): a profile of another space would misdescribe them.
bool profileFits(const std::string& profile, bool writtenAsGrey);

}  // namespace gdip
