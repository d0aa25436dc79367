#include "compose.h"

#include <future>
#include <memory>

#include "imaging/gdiputil.h"
#include "imaging/gdipobj.h"
#include "imaging/output_formats.h"
#include "imaging/text_path.h"
#include "jobs/file_identity.h"
#include "jobs/work_aside.h"

namespace orvelle {
namespace {

const char* const kComposeProgressText = "正在合成TIFF文件,请等待......";

// The output being written; the first page that decodes opens it. Only finish() completes
// the file: a run that ends any other way (a failed write, an exception) leaves no file and
// an existing file of that name as it was.
class Destination {
public:
    Destination(const std::string& path, const GUID& encoder) : m_path(path), m_encoder(encoder) {}

    // Adds the active frame of `source`, which is taken over when it opens the output;
    // false when the page did not go in.
    bool add(std::unique_ptr<TGPImage>& source) {
        if (m_failed) return false;
        if (!m_image) {
            if (source->SaveToFile(widenPath(m_path), &m_encoder, m_flags.block()) != Ok) {
                m_failed = true;  // the output cannot be created
                return false;
            }
            m_flags.setValue(EncoderValueFrameDimensionPage);
            m_image = std::move(source);
            ++m_pages;
            return true;
        }
        const GpStatus status = m_image->AppendFrame(source.get(), m_flags.block());
        if (status == Win32Error) m_failed = true;  // a failed write spoils the whole file
        if (status != Ok) return false;
        ++m_pages;
        return true;
    }

    bool open() const { return m_image != nullptr; }
    bool failed() const { return m_failed; }
    uint32_t pages() const { return m_pages; }

    // Completes the file and puts it in place; false when that failed (a full disk, the
    // folder gone), in which case nothing is left behind.
    bool finish() {
        if (!m_image || m_failed) return false;
        m_flags.setValue(EncoderValueFlush);
        const bool complete = m_image->AppendFrame(m_image.get(), m_flags.block()) == Ok;
        m_image.reset();
        return complete;
    }

private:
    std::string m_path;
    GUID m_encoder;
    SaveFlagParams m_flags;
    std::unique_ptr<TGPImage> m_image;
    uint32_t m_pages = 0;
    bool m_failed = false;
};

std::string pageLabel(const std::string& path, uint32_t page) {
    return path + " (第" + std::to_string(page + 1) + "页)";
}

// Adds the wanted pages of one source. A source that gives nothing is named in `skipped`;
// with every page wanted, each page that fails on its own is named with its number.
void addSource(const std::string& path, std::unique_ptr<TGPImage> source, bool allPages,
               Destination& destination, std::vector<std::string>& skipped) {
    GUID dimension{};
    // A failed listing leaves the id zero: no frame counts, and that is the failure.
    (void)source->ListFrameDimensions(&dimension, 1);
    const uint32_t frames = !source->NativeHandle ? 0 : allPages ? source->CountFrames(&dimension) : 1;
    std::vector<uint32_t> failed;
    for (uint32_t k = 0; k < frames && !destination.failed(); ++k) {
        if (!source) {
            // The first page went to open the output; the rest come from a second decode.
            source = std::make_unique<TGPImage>(widenPath(path), false);
            if (!source->NativeHandle) {
                for (; k < frames; ++k) failed.push_back(k);
                break;
            }
        }
        if (source->ActivateFrame(&dimension, k) != Ok || !destination.add(source))
            failed.push_back(k);
    }
    if (destination.failed()) return;
    if (frames == 0 || failed.size() == frames || !allPages) {
        if (frames == 0 || !failed.empty()) skipped.push_back(path);
        return;
    }
    for (uint32_t page : failed) skipped.push_back(pageLabel(path, page));
}

// Sources whose first page is at most this large (decoded) have the next source decoded
// beside them.
constexpr uint64_t kOpenedAheadBytes = uint64_t{64} << 20;

std::unique_ptr<TGPImage> openSource(const std::string& path) {
    return std::make_unique<TGPImage>(widenPath(path), false);
}

}  // namespace

std::string skippedSourcesMessage(const std::vector<std::string>& skipped) {
    return pathListMessage("TIF文件合成完毕,但以下图片无法识别,未能合成:", skipped);
}

ComposeResult ComposeTiff(const ComposeRequest& request, JobContext& context) {
    ComposeResult result;
    if (request.sources.empty()) return result;
    if (trimmedText(request.outputPath).empty()) {
        showError(context.messages, "请选择文件保存的名字!");
        return result;
    }
    for (const std::string& source : request.sources) {
        if (sameFile(source, request.outputPath)) {
            showError(context.messages, "合成文件不能覆盖待合成的图片!");
            return result;
        }
    }
    GUID encoder{};
    FindEncoderByMime("image/tiff", encoder);
    Destination destination(request.outputPath, encoder);
    {
        ProgressScope progress(context.progress, static_cast<int>(request.sources.size()),
                               kComposeProgressText);
        // The next source is decoded on another core while this one is added; after a huge
        // first page, only when it is needed.
        const bool twoCores = ImagingSession::workers() > 1;
        auto openAside = [](bool onAThread, const std::string& path) {
            return startAside(onAThread, [path] { return openSource(path); });
        };
        std::future<std::unique_ptr<TGPImage>> next = openAside(twoCores, request.sources[0]);
        for (size_t i = 0; i < request.sources.size() && !destination.failed(); ++i) {
            std::unique_ptr<TGPImage> source = next.get();
            const uint64_t firstPageBytes = uint64_t{source->PixelWidth()} * source->PixelHeight() * 4;
            if (i + 1 < request.sources.size())
                next = openAside(twoCores && firstPageBytes <= kOpenedAheadBytes, request.sources[i + 1]);
            addSource(request.sources[i], std::move(source), request.allPages, destination, result.skipped);
            progress.step(static_cast<int>(i));
            context.pump.processPendingEvents();
        }
        // The file is complete and in place before anything is said about it.
        const uint32_t pages = destination.pages();
        result.written = destination.finish();
        result.pages = result.written ? pages : 0;
    }
    if (!result.written) {
        showError(context.messages, "TIF文件合成失败!");
    } else if (!result.skipped.empty()) {
        showError(context.messages, skippedSourcesMessage(result.skipped));
    } else {
        showInformation(context.messages, "TIF文件合成完毕!");
    }
    return result;
}

}  // namespace orvelle
