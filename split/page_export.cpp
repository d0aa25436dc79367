#include "page_export.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/gdiputil.h"
#include "imaging/output_batch.h"
#include "imaging/status_text.h"
#include "imaging/blank_pages.h"
#include "imaging/text_path.h"
#include "jobs/file_identity.h"
#include "jobs/output_target.h"
#include "split/file_names.h"
#include "split/page_lanes.h"

namespace orvelle {
namespace {

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

GpStatus renderPageAtPercent(TGPImage& source, int32_t percent, const std::string& target,
                             const GUID& encoder, const EncoderParameters* parameters) {
    const uint32_t width = source.PixelWidth();
    const uint32_t height = source.PixelHeight();
    if (width == 0 || height == 0) return InvalidParameter;
    // At 100 % a 24-bit page is already what drawing it would make: it is written as decoded,
    // without a second copy of the page in memory. So is an indexed page into PNG, whose
    // encoder expands each row to RGB as it writes it (and declines a translucent palette).
    if (clampPercent(percent) == 100) {
        const PixelFormat format = source.framePixelFormat();
        if (format == PixelFormat24bppRGB) return source.SaveToFile(widenPath(target), &encoder, parameters);
        GUID png{};
        FindEncoderByMime("image/png", png);
        if ((format == PixelFormat1bppIndexed || format == PixelFormat8bppIndexed) && encoder == png) {
            const EncoderParameterBlock rgb(EncoderColorDepth, 24);
            const GpStatus status = source.SaveToFile(widenPath(target), &encoder, rgb.block());
            if (status != NotImplemented) return status;
        }
    }
    // The printed size stays the same: more pixels, proportionally more dots per inch. Rows
    // are drawn as they are written, so the drawn page is never whole in memory, where the
    // format allows.
    const uint32_t scaledWidth = static_cast<uint32_t>(scaledSide(width, percent));
    const uint32_t scaledHeight = static_cast<uint32_t>(scaledSide(height, percent));
    const float dpiScale = static_cast<float>(clampPercent(percent)) / 100.0f;
    const GpStatus drawn =
        source.SaveDrawnToFile(scaledWidth, scaledHeight, dpiScale, widenPath(target), &encoder, parameters);
    if (drawn != NotImplemented) return drawn;
    std::unique_ptr<TGPImage> scaled(source.ScaledCopy(scaledWidth, scaledHeight, dpiScale));
    if (!scaled->NativeHandle) return scaled->LastStatus;
    return scaled->SaveToFile(widenPath(target), &encoder, parameters);
}

GpStatus savePageInClass(TGPImage& source, int32_t percent, const std::string& target,
                         const GUID& encoder, const EncoderParameters* parameters) {
    const PixelFormat format = source.framePixelFormat();
    if (format != PixelFormat1bppIndexed && format != PixelFormat8bppIndexed)
        return renderPageAtPercent(source, percent, target, encoder, parameters);
    if (clampPercent(percent) == 100)
        return source.SaveToFile(widenPath(target), &encoder, parameters);
    // The printed size stays the same, as when the page is drawn.
    std::unique_ptr<TGPImage> scaled(source.ScaleInClass(
        static_cast<uint32_t>(scaledSide(source.PixelWidth(), percent)),
        static_cast<uint32_t>(scaledSide(source.PixelHeight(), percent)),
        static_cast<float>(clampPercent(percent)) / 100.0f));
    if (!scaled->NativeHandle) return scaled->LastStatus;
    return scaled->SaveToFile(widenPath(target), &encoder, parameters);
}

bool checkExportInputs(const std::string& sourceText, const std::string& folderText,
                       MessageSink& messages) {
    if (trimmedText(sourceText).empty()) {
        showError(messages, TextId::ChooseTiff);
        return false;
    }
    if (trimmedText(folderText).empty()) {
        showError(messages, TextId::ChooseFolder);
        return false;
    }
    return true;
}

namespace {

// One page's export, handed to a thread: its decoder (one per lane, each used by one page
// at a time), the page, the percentage read for it and its file name.
struct PageWork {
    TGPImage* source;
    GUID dimension;
    uint32_t page;
    int percent;
    int quarterTurns;
    std::string target;
    GUID encoder;
    const ExportAllRequest* request;
};

std::string writeFailure(const std::string& target, GpStatus status);

// A large page read from its file by bands as it is written, where its layout and the format
// allow (opaque pages into PNG, JPEG, BMP or TIFF): the same file as the
// page decoded whole gives, and the page is never whole in memory. Nothing when the page is
// not written so.
std::optional<PageOutcome> exportStreamed(const PageWork& work, const EncoderParameters* parameters) {
    if (work.quarterTurns % 4 != 0 || sameFile(work.request->sourcePath, work.target)) return std::nullopt;
    // A TIFF of the page's own class takes its rows as decoded, not drawn: it is written whole.
    if (work.request->keepClass && work.request->format == ExportFormat::Tiff) return std::nullopt;
    const int percent = clampPercent(work.percent);
    GpStreamedFrame streamed;
    const GpStatus status = work.source->SaveFrameStreamed(
        work.page, gdip::GdipBandedFromBytes,
        [percent](uint32_t width, uint32_t height) {
            // The printed size stays the same, as when the page is drawn.
            return GpDrawnSize{static_cast<uint32_t>(scaledSide(width, percent)),
                               static_cast<uint32_t>(scaledSide(height, percent)), static_cast<float>(percent) / 100.0f};
        },
        widenPath(work.target), &work.encoder, parameters, streamed);
    if (status == NotImplemented) return std::nullopt;
    PageOutcome outcome{.page = work.page};
    if (status == Ok) {
        outcome.file = work.target;
        outcome.profileLeftBehind = profileLeftBehind(streamed.facts);
        outcome.warning = streamed.warning;
    } else if (!streamed.failure.empty()) {
        outcome.reason = "the page cannot be decoded (" + streamed.failure + ")";
    } else if (status == ValueOverflow) {
        outcome.reason = "the scaled page would be over the size limit of one picture";
    } else {
        outcome.reason = writeFailure(work.target, status);
    }
    return outcome;
}

PageOutcome exportOnePage(const PageWork& work) {
    PageOutcome outcome{.page = work.page};
    QualityParams parameters(work.request->quality);
    if (work.request->keepClass && work.request->format == ExportFormat::Tiff)
        parameters.setSecond(EncoderCompression, compressionValue(TiffPageCompression::Auto));
    if (work.request->format == ExportFormat::Pdf && work.request->pdfDpi > 0) parameters.setSecond(EncoderPdfDpi, work.request->pdfDpi);
    if (std::optional<PageOutcome> streamed = exportStreamed(work, parameters.block())) return *streamed;
    // A PDF keeps a bilevel page bilevel (G4) and a palette page a palette.
    const bool keepClass = work.request->keepClass || work.request->format == ExportFormat::Pdf;
    GUID dimension = work.dimension;
    if (work.source->ActivateFrame(&dimension, work.page) != Ok) {
        const std::string why = work.source->failureReason();
        outcome.reason = "the page cannot be decoded" + (why.empty() ? "" : " (" + why + ")");
        return outcome;
    }
    // A name that leads back to the source (a link, a hard link) would destroy the pages not
    // yet split.
    if (sameFile(work.request->sourcePath, work.target)) {
        outcome.reason = "the page cannot be written to " + work.target + ": it is the document being split";
        return outcome;
    }
    // A turned frame is decoded again when it is asked for again.
    struct Untouched {
        TGPImage& image;
        bool turned;
        ~Untouched() {
            if (turned) image.ReleaseFrame();
        }
    } const untouched{*work.source, work.quarterTurns % 4 != 0};
    if (untouched.turned && work.source->Turn(work.quarterTurns) != Ok) {
        outcome.reason = "the page cannot be turned";
        return outcome;
    }
    outcome.quarterTurns = (work.quarterTurns % 4 + 4) % 4;
    const GpStatus status =
        keepClass
            ? savePageInClass(*work.source, work.percent, work.target, work.encoder, parameters.block())
            : renderPageAtPercent(*work.source, work.percent, work.target, work.encoder, parameters.block());
    if (status == Ok) {
        outcome.file = work.target;
        const ImageFacts facts = work.source->facts();
        outcome.profileLeftBehind = profileLeftBehind(facts);
        outcome.warning = work.source->frameWarning();
        outcome.rendered = facts.rendered;
        outcome.textLeftOut = facts.textLeftOut;
    } else if (status == ValueOverflow)
        outcome.reason = "the scaled page would be over the size limit of one picture";
    else
        outcome.reason = writeFailure(work.target, status);
    return outcome;
}

// Why writing `target` failed, in words.
std::string writeFailure(const std::string& target, GpStatus status) {
    const std::string refusal = outputRefusal(target);
    return "the page cannot be written to " + target + ": " + (refusal.empty() ? writeFailureReason(status) : refusal);
}

}  // namespace

bool copiesAsStored(ExportFormat format, bool lossless, int percent) {
    return pagesGoAsStored(lossless, format == ExportFormat::Pdf, clampPercent(percent));
}

PageOutcome copyPageAsStored(TGPPageSource& source, const std::string& sourcePath, uint32_t page,
                             const std::string& target, const CopyTarget& kind, int quarterTurns, const PageText* text) {
    PageOutcome outcome{.page = page, .quarterTurns = (quarterTurns % 4 + 4) % 4};
    if (sameFile(sourcePath, target)) {
        outcome.reason = "the page cannot be written to " + target + ": it is the document being split";
        return outcome;
    }
    // A page over 4 GiB as stored goes into a BigTIFF.
    CopiedPage added;
    for (const bool bigTiff : {false, true}) {
        CopyTarget attempt = kind;
        attempt.bigTiff = bigTiff;
        std::unique_ptr<TGPStoredPageWriter> copy(new TGPStoredPageWriter(widenPath(target), attempt));
        if (copy->LastStatus != Ok) {
            outcome.reason = writeFailure(target, copy->LastStatus);
            return outcome;
        }
        added = copy->addPage(source, page, quarterTurns, text);
        if (added.status == ValueOverflow && !bigTiff && !kind.pdf) continue;
        if (added.status == Ok) added.status = copy->finish();
        break;
    }
    if (added.status == Ok) {
        outcome.file = target;
        outcome.copied = added.copied;
        if (!added.copied) outcome.decodedBecause = added.note;
        else outcome.leftBehind = added.note;
    } else if (added.status == Win32Error || added.status == InsufficientBuffer || added.status == AccessDenied) {
        outcome.reason = writeFailure(target, added.status);
    } else {
        outcome.reason = added.note.empty() ? "the page cannot be decoded" : added.note;
    }
    return outcome;
}

namespace {

// The pages a run asks for, in order (those listed, else every page of the document), once
// `result.pages` is known. None when the document has no page, which is said with the
// reason `whyNone` gives, or when a page asked for is past its end, which is not said.
template <typename WhyNone>
std::optional<std::vector<uint32_t>> pagesToSplit(const ExportAllRequest& request, ExportAllResult& result,
                                                  JobContext& context, WhyNone whyNone) {
    if (result.pages == 0) {
        result.sourceFailure = whyNone();
        showError(context.messages, TextId::TiffUnreadable,
                  joinedLines(splitFailureLines(request.sourcePath, result)));
        return std::nullopt;
    }
    std::vector<uint32_t> pages = request.pages;
    if (pages.empty()) {
        pages.resize(result.pages);
        for (uint32_t page = 0; page < result.pages; ++page) pages[page] = page;
    }
    for (const uint32_t page : pages) {
        if (page >= result.pages) {
            result.pageOutOfRange = page;
            return std::nullopt;
        }
    }
    return pages;
}

int turnAt(const ExportAllRequest& request, size_t i) {
    return i < request.pageTurns.size() ? request.pageTurns[i] : 0;
}

// Pages whose files were written but could not be named fail now, with why.
void noteUnnamed(ExportAllResult& result, const std::vector<TGPOutputBatch::Unnamed>& unnamed) {
    if (unnamed.empty()) return;
    for (const TGPOutputBatch::Unnamed& file : unnamed)
        for (PageOutcome& outcome : result.outcomes)
            if (outcome.file == file.path) {
                outcome.file.clear();
                outcome.reason = writeFailure(file.path, file.status);
            }
    result.written.clear();
    result.failedPages.clear();
    for (const PageOutcome& outcome : result.outcomes) {
        if (!outcome.file.empty())
            result.written.push_back(outcome.file);
        else
            result.failedPages.push_back(outcome.page);
    }
}

// Outputs are named together every so many pages, and at the end: the files held open
// until then stay few.
constexpr size_t kPagesNamedTogether = 64;

void noteOutcome(ExportAllResult& result, PageOutcome outcome) {
    if (!outcome.file.empty())
        result.written.push_back(outcome.file);
    else
        result.failedPages.push_back(outcome.page);
    result.outcomes.push_back(std::move(outcome));
}

void showSplitEnd(const ExportAllRequest& request, const ExportAllResult& result, JobContext& context) {
    if (result.cancelled) {
        showInformation(context.messages,
                        {TextId::CancelledSaved, static_cast<long long>(result.written.size())});
    } else if (result.failedPages.empty()) {
        showInformation(context.messages, TextId::SplitDone);
    } else if (result.written.empty()) {
        showError(context.messages, TextId::SplitNothingSaved,
                  joinedLines(splitFailureLines(request.sourcePath, result)));
    } else {
        showError(context.messages,
                  {TextId::SplitSomeFailed, static_cast<long long>(result.failedPages.size())},
                  joinedLines(splitFailureLines(request.sourcePath, result)));
    }
}

// Every page asked for into a TIFF or PDF of its own, as stored. Copying costs about what writing
// the file does, so the pages go one after another.
ExportAllResult copyAllPages(const ExportAllRequest& request, JobContext& context) {
    ExportAllResult result;
    result.lossless = true;
    TGPPageSource source(widenPath(request.sourcePath), request.format == ExportFormat::Pdf);
    result.pages = source.pages();
    const auto asked = pagesToSplit(request, result, context, [&] {
        return decodeFailureReason(source.LastStatus, source.openFailure());
    });
    if (!asked) return result;
    const std::vector<uint32_t>& pages = *asked;
    const int digits = request.padNames ? pageNumberDigits(result.pages) : 0;
    const bool pdf = request.format == ExportFormat::Pdf;
    const CopyTarget kind{pdf, false, request.pdfDpi};
    const char* extension = formatRow(pdf ? ExportFormat::Pdf : ExportFormat::Tiff).Extension;
    std::unique_ptr<PageTexts> texts;
    if (pdf && request.ocr.enabled) {
        std::vector<PageToRecognise> recognised;
        for (size_t i = 0; i < pages.size(); ++i) recognised.push_back({request.sourcePath, pages[i], turnAt(request, i)});
        texts = std::make_unique<PageTexts>(std::move(recognised), request.ocr,
                                            [&context] { return context.cancelRequested(); });
    }
    {
        ProgressScope progress(context.progress, static_cast<int>(pages.size()),
                               say(TextId::SplitProgress));
        TGPOutputBatch batch;
        for (size_t i = 0; i < pages.size(); ++i) {
            if (context.cancelRequested()) {
                result.cancelled = true;
                break;
            }
            int turn = turnAt(request, i);
            std::optional<RecognisedPage> words;
            if (texts) {
                words = texts->take();
                turn = (turn + words->uprightTurns) % 4;
                result.pageWords.push_back(pageWords(request.sourcePath, pages[i], *words));
            }
            noteOutcome(result, copyPageAsStored(source, request.sourcePath, pages[i],
                                                 pageOutputName(request.folder, request.sourcePath, pages[i],
                                                                extension, digits),
                                                 kind, turn, words && words->recognised ? &words->text : nullptr));
            if ((i + 1) % kPagesNamedTogether == 0) noteUnnamed(result, batch.settle());
            progress.step(static_cast<int>(i));
            context.pump.processPendingEvents();
        }
        noteUnnamed(result, batch.settle());
    }
    showSplitEnd(request, result, context);
    return result;
}

}  // namespace

ExportAllResult ExportAllPages(const ExportAllRequest& request, JobContext& context) {
    if (request.dropBlank) {
        // The blank pages are found first; the rest go as any run's pages do.
        ExportAllRequest kept = request;
        kept.dropBlank = false;
        std::vector<uint32_t> pages = request.pages;
        if (pages.empty())
            for (uint32_t page = 0, count = listPages(*std::make_unique<TGPImage>(widenPath(request.sourcePath), false)).count;
                 page < count; ++page)
                pages.push_back(page);
        const std::vector<bool> blank = blankPages(request.sourcePath, pages);
        std::vector<uint32_t> dropped;
        kept.pages.clear();
        kept.pageTurns.clear();
        for (size_t i = 0; i < pages.size(); ++i) {
            if (blank[i]) {
                dropped.push_back(pages[i]);
                continue;
            }
            kept.pages.push_back(pages[i]);
            kept.pageTurns.push_back(turnAt(request, i));
        }
        if (kept.pages.empty() && !pages.empty()) {
            // Nothing to write, and nothing failed: the caller lists the pages left out.
            ExportAllResult none;
            none.pages = static_cast<uint32_t>(pages.size());
            none.blankPagesDropped = std::move(dropped);
            return none;
        }
        ExportAllResult result = ExportAllPages(kept, context);
        result.blankPagesDropped = std::move(dropped);
        return result;
    }
    // The percentage is read for a PDF only: every other format reads it page by page.
    const bool pdf = request.format == ExportFormat::Pdf;
    if (copiesAsStored(request.format, request.lossless, pdf && request.percent ? request.percent() : 100))
        return copyAllPages(request, context);
    ExportAllResult result;
    // No page is decoded before its turn: one written by bands is never whole in memory.
    std::unique_ptr<TGPImage> source(new TGPImage(widenPath(request.sourcePath), TGPImage::Deferred{}));
    const GpStatus opened = source->LastStatus;
    const PageList listed = listPages(*source);
    const GUID dimension = listed.dimension;
    result.pages = listed.count;
    const auto asked =
        pagesToSplit(request, result, context, [&] { return decodeFailureReason(*source, opened); });
    if (!asked) return result;
    const std::vector<uint32_t>& pages = *asked;
    GUID encoder{};
    FindEncoderByMime(formatRow(request.format).MimeType, encoder);
    const std::string extension = formatRow(request.format).Extension;
    const int digits = request.padNames ? pageNumberDigits(result.pages) : 0;
    // Pages go in lanes (two at a time where the pages allow it); results, progress and
    // events still come page by page in order on this thread.
    {
        ProgressScope progress(context.progress, static_cast<int>(pages.size()),
                               say(TextId::SplitProgress));
        const auto start = [&](size_t i) {
            PageWork work{nullptr, dimension, pages[i], request.percent ? request.percent() : 100, turnAt(request, i),
                          pageOutputName(request.folder, request.sourcePath, pages[i], extension, digits),
                          encoder, &request};
            return [work](TGPImage& decoder) {
                PageWork onLane = work;
                onLane.source = &decoder;
                return exportOnePage(onLane);
            };
        };
        TGPOutputBatch batch;
        const auto finish = [&](PageOutcome outcome) {
            noteOutcome(result, std::move(outcome));
            if (result.outcomes.size() % kPagesNamedTogether == 0) noteUnnamed(result, batch.settle());
            progress.step(static_cast<int>(result.outcomes.size() - 1));
            context.pump.processPendingEvents();
        };
        // A page already on its way is finished and kept; no new one is started.
        result.cancelled = runInPageLanes(std::move(source), request.sourcePath, pages.size(), start, finish,
                                          [&](size_t) { return context.cancelRequested(); });
        noteUnnamed(result, batch.settle());
    }
    showSplitEnd(request, result, context);
    return result;
}

std::vector<std::string> splitFailureLines(const std::string& source, const ExportAllResult& result,
                                           NameStyle name) {
    std::vector<std::string> lines;
    if (!result.sourceFailure.empty()) lines.push_back(name(source) + ": " + result.sourceFailure);
    for (const PageOutcome& page : result.outcomes)
        if (page.file.empty())
            lines.push_back(name(source) + ": page " + std::to_string(page.page + 1) + " was not saved: " + page.reason);
    return lines;
}

bool ExportPage(const ExportPageRequest& request, MessageSink& messages, std::string* reason, PageOutcome* outcome) {
    if (sameFile(request.sourcePath, request.targetPath)) {
        if (reason) *reason = "it is the document being split";
        showError(messages, TextId::CannotOverwriteSource);
        return false;
    }
    if (copiesAsStored(request.format, request.lossless, request.percent)) {
        TGPPageSource source(widenPath(request.sourcePath), request.format == ExportFormat::Pdf);
        PageOutcome copied{.page = request.pageIndex};
        if (source.pages() == 0)
            copied.reason = decodeFailureReason(source.LastStatus, source.openFailure());
        else
            copied = copyPageAsStored(source, request.sourcePath, request.pageIndex, request.targetPath,
                                      {request.format == ExportFormat::Pdf, false, request.pdfDpi},
                                      request.quarterTurns);
        if (reason) *reason = copied.reason;
        if (outcome) *outcome = copied;
        if (!copied.reason.empty()) showError(messages, TextId::PageSaveFailed, copied.reason);
        return copied.reason.empty();
    }
    ExportAllRequest asked;  // no source path: the check against it is made above
    asked.format = request.format;
    asked.quality = request.quality;
    asked.keepClass = request.keepClass;
    asked.pdfDpi = request.pdfDpi;
    PageOutcome one{.page = request.pageIndex};
    {
        std::unique_ptr<TGPImage> source(new TGPImage(widenPath(request.sourcePath), false));
        const GpStatus opened = source->LastStatus;
        const GUID dimension = listPages(*source).dimension;
        GUID encoder{};
        FindEncoderByMime(formatRow(request.format).MimeType, encoder);
        if (!source->NativeHandle)
            one.reason = decodeFailureReason(*source, opened);
        else
            one = exportOnePage({source.get(), dimension, request.pageIndex, request.percent, request.quarterTurns,
                                 request.targetPath, encoder, &asked});
    }
    const std::string why = one.reason;
    if (reason) *reason = why;
    if (outcome) *outcome = std::move(one);
    if (!why.empty()) showError(messages, TextId::PageSaveFailed, why);
    return why.empty();
}

}  // namespace orvelle
