// Reading written files back with libtiff, libpng, libjpeg and giflib directly, and a job
// context that records what a job reports.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jobs/job_reporting.h"

namespace fixtures {

struct TiffPageInfo {
    uint32_t width = 0, height = 0;
    uint16_t bitsPerSample = 0, samplesPerPixel = 0, photometric = 0, compression = 0;
    uint16_t pageNumber = 0, pageTotal = 0;
    bool hasPageNumber = false;
    float xResolution = 0, yResolution = 0;
    uint16_t resolutionUnit = 0;
    std::vector<uint32_t> argb;  // straight (not premultiplied) ARGB, top row first
};

// Every directory of the main chain; empty when libtiff cannot open the file.
std::vector<TiffPageInfo> readTiffPages(const std::string& path);

struct RgbaImage {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> argb;
    double dpiX = 0, dpiY = 0;
    int pngColourType = -1, pngBitDepth = 0;
};

RgbaImage readPng(const std::string& path);
RgbaImage readJpeg(const std::string& path);
RgbaImage readGifFirstFrame(const std::string& path);  // transparent pixels have alpha 0
RgbaImage readBmp24(const std::string& path);  // 24-bit, or 1- and 8-bit with a palette; bottom-up

// Files in `folder`, sorted, hidden ones included.
std::vector<std::string> listFolder(const std::string& folder);

// Records every call as text: "begin 3 <text>", "step 0", "end", "status <text>",
// "message <title> <text>", "pump". `onMessage`, when set, runs as a message is shown.
class RecordingContext : public orvelle::ProgressDisplay,
                         public orvelle::MessageSink,
                         public orvelle::EventPump {
public:
    void begin(int steps, const std::string& text) override;
    void step(int position) override;
    void end() override;
    void status(const std::string& text) override;
    void show(const std::string& text, const std::string& title, orvelle::MessageIcon icon) override;
    // Records the message as show() does, and its details in `details`.
    void show(const std::string& text, const std::string& title, orvelle::MessageIcon icon,
              const std::string& details) override;
    // Records "question title|text" and answers `answer`.
    bool ask(const std::string& text, const std::string& title) override;
    void processPendingEvents() override;

    orvelle::JobContext context() { return {*this, *this, *this}; }
    std::vector<std::string> messages() const;  // "title|text" of each message

    std::vector<std::string> events;
    std::vector<orvelle::MessageIcon> icons;
    std::vector<std::string> details;  // of each message that had any
    std::function<void()> onMessage;
    std::function<void()> onPump;
    bool answer = false;
};

}  // namespace fixtures
