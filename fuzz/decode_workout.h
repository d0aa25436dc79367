// What a user's file goes through in the program, through the flat interface: load, count
// the frames, select each one, read its pixels, make a 120 x 120 thumbnail, draw it scaled;
// then copy its pages as stored into a TIFF that is never finished.
// The fuzz targets and the hostile-file tests run exactly this.
#pragma once

#include <cstdint>

namespace orvelle::fuzz {

struct WorkoutResult {
    bool loaded = false;
    uint32_t frames = 0;   // frames the file reports
    uint32_t decoded = 0;  // frames that decoded
};

// `path` must name a file; an imaging session must be open.
WorkoutResult runDecodeWorkout(const char16_t* path);

}  // namespace orvelle::fuzz
