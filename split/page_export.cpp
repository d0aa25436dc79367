#include "page_export.h"

#include <algorithm>
#include <memory>

#include "imaging/gdiputil.h"
#include "imaging/platform/image_limits.h"
#include "imaging/text_path.h"
#include "jobs/file_identity.h"
#include "split/file_names.h"

namespace orvelle {
namespace {

const char* const kSplitProgressText = "正在分解TIFF文件,请等待......";

int32_t clampPercent(int32_t percent) { return std::clamp(percent, kMinPercent, kMaxPercent); }

}  // namespace

int32_t scaledSide(uint32_t side, int32_t percent) {
    const int64_t product = int64_t{side} * clampPercent(percent);
    int64_t quotient = product / 100;
    const int64_t remainder = product % 100;
    if (remainder > 50 || (remainder == 50 && quotient % 2 != 0)) ++quotient;
    // A side that rounds to nothing still gets one pixel rather than a failed page.
    return static_cast<int32_t>(std::clamp<int64_t>(quotient, 1, INT32_MAX));
}

int32_t percentFromText(std::string_view text, int32_t fallback) {
    size_t at = 0;
    while (at < text.size() && text[at] == ' ') ++at;
    int64_t value = 0;
    size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 9; ++at, ++digits)
        value = value * 10 + (text[at] - '0');
    if (digits == 0) return clampPercent(fallback);
    return static_cast<int32_t>(std::clamp<int64_t>(value, kMinPercent, kMaxPercent));
}

bool renderPageAtPercent(TGPImage& source, int32_t percent, const std::string& target,
                         const GUID& encoder, const EncoderParameters* parameters) {
    const uint32_t width = source.PixelWidth();
    const uint32_t height = source.PixelHeight();
    if (width == 0 || height == 0) return false;
    const int32_t newWidth = scaledSide(width, percent);
    const int32_t newHeight = scaledSide(height, percent);
    if (!gdip::frameSizeAllowed(static_cast<uint64_t>(newWidth), static_cast<uint64_t>(newHeight)))
        return false;
    std::unique_ptr<TGPBitmap> bitmap(new TGPBitmap(newWidth, newHeight, PixelFormat24bppRGB));
    if (!bitmap->NativeHandle) return false;
    const float dpiX = source.horizontalResolution(), dpiY = source.verticalResolution();
    if (dpiX > 0 && dpiY > 0) {
        // The printed size stays the same: more pixels, proportionally more dots per inch.
        const float scale = static_cast<float>(clampPercent(percent)) / 100.0f;
        (void)bitmap->setResolution(dpiX * scale, dpiY * scale);  // the page goes out without
    }
    {
        std::unique_ptr<TGPGraphics> graphics(new TGPGraphics(bitmap.get()));
        (void)graphics->SetScalingMode(InterpolationModeNearestNeighbor);  // a valid mode
        if (graphics->DrawImageScaled(&source, PixelRect(0, 0, newWidth, newHeight), 0, 0,
                                      static_cast<int32_t>(width), static_cast<int32_t>(height),
                                      UnitPixel) != Ok)
            return false;
    }
    return bitmap->SaveToFile(widenPath(target), &encoder, parameters) == Ok;
}

bool checkExportInputs(const std::string& sourceText, const std::string& folderText,
                       MessageSink& messages) {
    if (trimmedText(sourceText).empty()) {
        showError(messages, "请选择TIF文件!");
        return false;
    }
    if (trimmedText(folderText).empty()) {
        showError(messages, "请选择文件存放目录!");
        return false;
    }
    return true;
}

ExportAllResult ExportAllPages(const ExportAllRequest& request, JobContext& context) {
    ExportAllResult result;
    std::unique_ptr<TGPImage> source(new TGPImage(widenPath(request.sourcePath), false));
    GUID dimension{};
    // A failed listing leaves the id zero: no frame counts, and that is the failure.
    (void)source->ListFrameDimensions(&dimension, 1);
    result.pages = source->CountFrames(&dimension);
    if (result.pages == 0) {
        showError(context.messages, "TIF文件无法识别!");
        return result;
    }
    QualityParams quality;
    GUID encoder{};
    FindEncoderByMime(formatRow(request.format).MimeType, encoder);
    const std::string extension = formatRow(request.format).Extension;
    {
        ProgressScope progress(context.progress, static_cast<int>(result.pages), kSplitProgressText);
        for (uint32_t page = 0; page < result.pages; ++page) {
            const std::string target =
                pageOutputName(request.folder, request.sourcePath, page, extension);
            const int percent = request.percent ? request.percent() : 100;
            const bool activated = source->ActivateFrame(&dimension, page) == Ok;
            if (activated && renderPageAtPercent(*source, percent, target, encoder, quality.block()))
                result.written.push_back(target);
            else
                result.failedPages.push_back(page);
            progress.step(static_cast<int>(page));
            context.pump.processPendingEvents();
        }
    }
    source.reset();
    if (result.failedPages.empty()) {
        showInformation(context.messages, "TIFF分解完成!");
    } else if (result.written.empty()) {
        showError(context.messages, "TIFF分解失败,没有保存任何文件!");
    } else {
        showError(context.messages, "TIFF分解完成,但有" + std::to_string(result.failedPages.size()) +
                                        "页未能保存!");
    }
    return result;
}

bool ExportPage(const ExportPageRequest& request, MessageSink& messages) {
    if (sameFile(request.sourcePath, request.targetPath)) {
        showError(messages, "不能覆盖正在分解的TIF文件!");
        return false;
    }
    bool written = false;
    {
        std::unique_ptr<TGPImage> source(new TGPImage(widenPath(request.sourcePath), false));
        GUID dimension{};
        // A failed listing leaves the id zero: no frame counts, and that is the failure.
        (void)source->ListFrameDimensions(&dimension, 1);
        QualityParams quality;
        GUID encoder{};
        FindEncoderByMime(formatRow(request.format).MimeType, encoder);
        written = source->NativeHandle && source->ActivateFrame(&dimension, request.pageIndex) == Ok &&
                  renderPageAtPercent(*source, request.percent, request.targetPath, encoder,
                                      quality.block());
    }
    if (!written) showError(messages, "图片保存失败!");
    return written;
}

}  // namespace orvelle
