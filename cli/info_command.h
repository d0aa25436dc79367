// `orvelle-cli info`: what the imaging layer sees in each file.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace orvelle::cli {

struct FrameInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    std::string pixelFormat;
    double dpiX = 0;
    double dpiY = 0;
    double aspectX = 0;   // a resolution without unit; 0 when none
    double aspectY = 0;
    uint32_t orientation = 1;  // as stored; the frame is read upright
    std::string profileSpace;  // of the embedded colour profile ("RGB", "GRAY", "CMYK"); empty when none
    uint32_t profileBytes = 0;
    std::string warning;  // what the decoder read past; empty when nothing
    std::string error;    // why the frame cannot be decoded; empty when it can
};

struct FileInfo {
    std::string path;
    bool ok = false;
    std::string error;
    std::string format;
    std::vector<FrameInfo> frames;
    uint32_t reducedImages = 0;  // reduced-resolution previews, not counted as frames
};

// Decodes `path` through the wrapper objects, frame by frame, as the window does.
FileInfo inspectFile(const std::string& path);

// Runs the command on its arguments (after "info"); returns the exit status.
int runInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orvelle::cli
