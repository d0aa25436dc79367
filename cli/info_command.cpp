#include "info_command.h"

#include <cstdio>
#include <memory>
#include <ostream>

#include "imaging/gdipobj.h"
#include "imaging/text_path.h"
#include "json_text.h"

namespace orvelle::cli {
namespace {

std::string formatName(const GUID& raw) {
    if (raw == ImageFormatTIFF) return "tiff";
    if (raw == ImageFormatJPEG) return "jpeg";
    if (raw == ImageFormatPNG) return "png";
    if (raw == ImageFormatGIF) return "gif";
    if (raw == ImageFormatBMP) return "bmp";
    if (raw == ImageFormatPDF) return "pdf";
    return "unknown";
}

std::string pixelFormatName(PixelFormat format) {
    switch (format) {
        case PixelFormat1bppIndexed: return "1bppIndexed";
        case PixelFormat8bppIndexed: return "8bppIndexed";
        case PixelFormat24bppRGB: return "24bppRGB";
        case PixelFormat32bppARGB: return "32bppARGB";
        default: return "unknown";
    }
}

std::string statusWords(GpStatus status) {
    switch (status) {
        case FileNotFound: return "cannot be decoded: file not found";
        case AccessDenied: return "cannot be decoded: not a readable regular file";
        case UnknownImageFormat: return "cannot be decoded: not a picture in a known format";
        case OutOfMemory: return "cannot be decoded: too large";
        default: return "cannot be decoded: damaged or unsupported picture";
    }
}

// The image's last status in words, and the library's own reason where it gave one.
std::string statusText(TGPImage& image) {
    const GpStatus status = image.LastStatus;
    const std::string reason = image.failureReason();
    return statusWords(status) + (reason.empty() ? "" : " (" + reason + ")");
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

}  // namespace

FileInfo inspectFile(const std::string& path) {
    FileInfo info;
    info.path = path;
    std::unique_ptr<TGPImage> image(new TGPImage(widenPath(path), false));
    if (!image->NativeHandle) {
        info.error = statusText(*image);
        return info;
    }
    info.format = formatName(image->rawFormat());
    const auto [dimension, count] = listPages(*image);
    // A damaged frame is named and the others still listed, as a split or a merge takes them.
    bool everyFrame = true;
    for (uint32_t index = 0; index < count; ++index) {
        if (image->ActivateFrame(&dimension, index) != Ok) {
            FrameInfo damaged;
            damaged.error = statusText(*image);
            info.frames.push_back(damaged);
            everyFrame = false;
            continue;
        }
        FrameInfo frame;
        frame.width = image->PixelWidth();
        frame.height = image->PixelHeight();
        frame.pixelFormat = pixelFormatName(image->framePixelFormat());
        frame.dpiX = image->horizontalResolution();
        frame.dpiY = image->verticalResolution();
        const ImageFacts facts = image->facts();
        frame.aspectX = facts.aspectX;
        frame.aspectY = facts.aspectY;
        frame.orientation = facts.orientation;
        if (facts.profileBytes > 0) {
            frame.profileSpace = std::string(facts.profileSpace, 4);
            while (!frame.profileSpace.empty() && frame.profileSpace.back() == ' ') frame.profileSpace.pop_back();
            frame.profileBytes = facts.profileBytes;
        }
        info.reducedImages = facts.reducedImages;
        frame.warning = image->frameWarning();
        info.frames.push_back(frame);
    }
    info.ok = count > 0 && everyFrame;
    if (count == 0) info.error = statusText(*image);
    return info;
}

namespace {

void printText(const FileInfo& info, std::ostream& out) {
    out << info.path << ": ";
    if (info.frames.empty()) {
        out << info.error << "\n";
        return;
    }
    out << info.format << ", " << info.frames.size()
        << (info.frames.size() == 1 ? " frame\n" : " frames\n");
    for (size_t i = 0; i < info.frames.size(); ++i) {
        const FrameInfo& f = info.frames[i];
        if (!f.error.empty()) {
            out << "  " << (i + 1) << ": " << f.error << "\n";
            continue;
        }
        out << "  " << (i + 1) << ": " << f.width << " x " << f.height << ", " << f.pixelFormat;
        if (f.dpiX > 0 || f.dpiY > 0) out << ", " << number(f.dpiX) << " x " << number(f.dpiY) << " dpi";
        if (f.aspectX > 0) out << ", " << number(f.aspectX) << " x " << number(f.aspectY) << " (no unit)";
        if (f.orientation != 1) out << ", stored with orientation " << f.orientation << " (read upright)";
        if (f.profileBytes > 0) out << ", " << f.profileSpace << " colour profile (" << f.profileBytes << " bytes)";
        if (!f.warning.empty()) out << " (warning: " << f.warning << ")";
        out << "\n";
    }
    if (info.reducedImages > 0)
        out << "  and " << info.reducedImages << " reduced-resolution image" << (info.reducedImages == 1 ? "" : "s")
            << " (previews, not pages)\n";
}

void printJson(const FileInfo& info, std::ostream& out) {
    out << "{" << jsonName("path", info.path) << ", \"ok\": " << (info.ok ? "true" : "false");
    if (!info.error.empty()) out << ", \"error\": " << jsonString(info.error);
    if (!info.format.empty()) out << ", \"format\": " << jsonString(info.format);
    out << ", \"frames\": [";
    for (size_t i = 0; i < info.frames.size(); ++i) {
        const FrameInfo& f = info.frames[i];
        if (!f.error.empty()) {
            out << (i ? ", " : "") << "{\"error\": " << jsonString(f.error) << "}";
            continue;
        }
        out << (i ? ", " : "") << "{\"width\": " << f.width << ", \"height\": " << f.height
            << ", \"pixel_format\": " << jsonString(f.pixelFormat)
            << ", \"dpi_x\": " << number(f.dpiX) << ", \"dpi_y\": " << number(f.dpiY)
            << ", \"orientation\": " << f.orientation;
        if (f.aspectX > 0) out << ", \"aspect_x\": " << number(f.aspectX) << ", \"aspect_y\": " << number(f.aspectY);
        if (f.profileBytes > 0)
            out << ", \"icc_profile\": {\"space\": " << jsonString(f.profileSpace) << ", \"bytes\": " << f.profileBytes
                << "}";
        if (!f.warning.empty()) out << ", \"warning\": " << jsonString(f.warning);
        out << "}";
    }
    out << "]";
    if (info.reducedImages > 0) out << ", \"reduced_resolution_images\": " << info.reducedImages;
    out << "}";
}

}  // namespace

int runInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool json = false;
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            err << "orvelle-cli info: unknown option " << arg << "\n";
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        err << "orvelle-cli info: name at least one file\n";
        return 2;
    }
    bool allDecoded = true;
    if (json) out << "[";
    for (size_t i = 0; i < files.size(); ++i) {
        const FileInfo info = inspectFile(files[i]);
        allDecoded = allDecoded && info.ok;
        if (json) {
            out << (i ? ",\n " : "");
            printJson(info, out);
        } else {
            printText(info, out);
        }
    }
    if (json) out << "]\n";
    return allDecoded ? 0 : 1;
}

}  // namespace orvelle::cli
