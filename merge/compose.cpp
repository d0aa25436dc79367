#include "compose.h"

#include <memory>

#include "imaging/gdiputil.h"
#include "imaging/gdipobj.h"
#include "imaging/output_formats.h"
#include "imaging/text_path.h"
#include "jobs/file_identity.h"

namespace orvelle {
namespace {

const char* const kComposeProgressText = "正在合成TIFF文件,请等待......";
constexpr size_t kListedSkips = 10;

// The output being written; the first page that decodes opens it.
class Destination {
public:
    Destination(const std::string& path, const GUID& encoder) : m_path(path), m_encoder(encoder) {}

    // Adds the active frame of `source`; false when the page did not go in.
    bool Add(std::unique_ptr<TGPImage>& source) {
        if (m_failed) return false;
        if (!m_image) {
            if (source->SaveToFile(widenPath(m_path), &m_encoder, m_flags.Block()) != Ok) {
                m_failed = true;  // the output cannot be created
                return false;
            }
            m_flags.SetValue(EncoderValueFrameDimensionPage);
            m_image = std::move(source);
            ++m_pages;
            return true;
        }
        const GpStatus status = m_image->AppendFrame(source.get(), m_flags.Block());
        if (status == Win32Error) m_failed = true;  // a failed write spoils the whole file
        if (status != Ok) return false;
        ++m_pages;
        return true;
    }

    bool Open() const { return m_image != nullptr; }
    bool Failed() const { return m_failed; }
    uint32_t Pages() const { return m_pages; }

    // Completes the file (or, after a failed write, discards it).
    void Close() { m_image.reset(); }

private:
    std::string m_path;
    GUID m_encoder;
    SaveFlagParams m_flags;
    std::unique_ptr<TGPImage> m_image;
    uint32_t m_pages = 0;
    bool m_failed = false;
};

// Adds the wanted frames of one source; false when any of them could not be added.
bool AddSource(const std::string& path, bool allPages, Destination& destination) {
    auto source = std::make_unique<TGPImage>(widenPath(path), false);
    if (!source->NativeHandle) return false;
    GUID dimension{};
    source->ListFrameDimensions(&dimension, 1);
    const uint32_t frames = allPages ? source->CountFrames(&dimension) : 1;
    bool complete = frames > 0;
    for (uint32_t k = 0; k < frames; ++k) {
        if (!destination.Open() && k == 0) {
            // This picture opens the output; its further pages come from a second decode.
            if (!destination.Add(source)) return false;
            if (frames == 1) return true;
            source = std::make_unique<TGPImage>(widenPath(path), false);
            if (!source->NativeHandle) return false;
            continue;
        }
        if (source->ActivateFrame(&dimension, k) != Ok || !destination.Add(source)) complete = false;
        if (destination.Failed()) return false;
    }
    return complete;
}

}  // namespace

std::string SkippedSourcesMessage(const std::vector<std::string>& skipped) {
    std::string text = "TIF文件合成完毕,但以下图片无法识别,未能合成:";
    for (size_t i = 0; i < skipped.size() && i < kListedSkips; ++i) text += "\n" + skipped[i];
    if (skipped.size() > kListedSkips) text += "\n……共" + std::to_string(skipped.size()) + "个";
    return text;
}

ComposeResult ComposeTiff(const ComposeRequest& request, JobContext& context) {
    ComposeResult result;
    if (request.sources.empty()) return result;
    if (TrimmedText(request.outputPath).empty()) {
        ShowError(context.messages, "请选择文件保存的名字!");
        return result;
    }
    for (const std::string& source : request.sources) {
        if (SameFile(source, request.outputPath)) {
            ShowError(context.messages, "合成文件不能覆盖待合成的图片!");
            return result;
        }
    }
    GUID encoder{};
    FindEncoderByMime("image/tiff", encoder);
    Destination destination(request.outputPath, encoder);
    {
        ProgressScope progress(context.progress, static_cast<int>(request.sources.size()),
                               kComposeProgressText);
        for (size_t i = 0; i < request.sources.size() && !destination.Failed(); ++i) {
            if (!AddSource(request.sources[i], request.allPages, destination))
                result.skipped.push_back(request.sources[i]);
            progress.Step(static_cast<int>(i));
            context.pump.ProcessPendingEvents();
        }
        // The file is complete and in place before anything is said about it.
        result.written = destination.Open() && !destination.Failed();
        result.pages = result.written ? destination.Pages() : 0;
        destination.Close();
    }
    if (!result.written) {
        ShowError(context.messages, "TIF文件合成失败!");
    } else if (!result.skipped.empty()) {
        ShowError(context.messages, SkippedSourcesMessage(result.skipped));
    } else {
        ShowInformation(context.messages, "TIF文件合成完毕!");
    }
    return result;
}

}  // namespace orvelle
