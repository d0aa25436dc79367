#include "compose.h"

#include <algorithm>
#include <cctype>
#include <future>
#include <map>
#include <memory>
#include <optional>

#include "imaging/gdiputil.h"
#include "imaging/gdipobj.h"
#include "imaging/stored_page_writer.h"
#include "imaging/output_formats.h"
#include "imaging/status_text.h"
#include "imaging/text_path.h"
#include "jobs/file_identity.h"
#include "jobs/output_target.h"
#include "imaging/work_aside.h"

namespace orvelle {
namespace {

// How writing an output went, for both kinds of output below.
class OutputState {
public:
    bool failed() const { return m_failed; }
    // A classic file could not take the next page: nothing is kept; BigTIFF can take it.
    bool overflowed() const { return m_overflowed; }
    // Why the output could not be written, in words; empty while it could.
    const std::string& failure() const { return m_failure; }
    uint32_t pages() const { return m_pages; }

protected:
    // `why`, when the writer knew it, says more than the status.
    void fail(GpStatus status, const std::string& why = {}) {
        m_failed = true;
        m_overflowed = status == ValueOverflow;
        if (!m_overflowed) m_failure = why.empty() ? writeFailureReason(status) : why;
    }
    // The file's completion came to `status`; false unless it is in place.
    bool finishedWith(GpStatus status, const std::string& why = {}) {
        if (status != Ok) fail(status, why);
        return status == Ok;
    }
    // A page the file refused; a failed write spoils the whole file. False unless it went in.
    bool took(GpStatus status, const std::string& why = {}) {
        if (status == Win32Error || status == InsufficientBuffer || status == ValueOverflow) fail(status, why);
        if (status != Ok) return false;
        ++m_pages;
        return true;
    }

private:
    uint32_t m_pages = 0;
    bool m_failed = false;
    bool m_overflowed = false;
    std::string m_failure;
};

// The output being written; the first page that decodes opens it. Only finish() completes
// the file: a run that ends any other way (a failed write, an exception) leaves no file and
// an existing file of that name as it was.
class Destination : public OutputState {
public:
    Destination(const std::string& path, const GUID& encoder, TiffPageCompression compression, bool bigTiff)
        : m_path(path), m_encoder(encoder) {
        m_flags.setSecond(EncoderCompression, compressionValue(compression));
        if (bigTiff) m_flags.setThird(EncoderBigTiff, 1);
    }

    // Adds the active frame of `source`; false when the page did not go in. The image that
    // opens the output carries the file until it is finished: the destination keeps a share
    // of it, and the caller may go on reading its pages.
    bool add(const std::shared_ptr<TGPImage>& source) {
        if (failed()) return false;
        if (!m_image) {
            if (const GpStatus status = source->SaveToFile(widenPath(m_path), &m_encoder, m_flags.block());
                status != Ok) {
                fail(status);  // the output cannot be created, or not as a classic file
                return false;
            }
            m_flags.setValue(EncoderValueFrameDimensionPage);
            m_image = source;
            return took(Ok);
        }
        return took(m_image->AppendFrame(source.get(), m_flags.block()));
    }

    // Adds page `page` of `source`, turned by `quarterTurns`, read by bands as it is written,
    // never whole (a page too large to be decoded whole): nothing when it is not read so,
    // else whether it went in.
    std::optional<bool> addStreamed(const std::shared_ptr<TGPImage>& source, uint32_t page, int quarterTurns,
                                    GpStreamedFrame& streamed) {
        if (failed()) return false;
        TGPImage& carrier = m_image ? *m_image : *source;
        const GpStatus status = carrier.AppendFrameStreamed(source.get(), page, gdip::GdipBandedFromBytes, quarterTurns,
                                                            widenPath(m_path), &m_encoder, m_flags.block(), streamed);
        if (status == NotImplemented) return std::nullopt;
        if (m_image) return took(status);
        if (status != Ok) {
            // A row that could not be read fails the page; anything else, the output.
            if (status != GenericError) fail(status);
            return false;
        }
        m_flags.setValue(EncoderValueFrameDimensionPage);
        m_image = source;
        return took(Ok);
    }

    bool open() const { return m_image != nullptr; }
    // A source's pages are all added: the image that opened the output carries the file,
    // not its page, whose pixels need not wait for the end.
    void sourceDone() {
        if (m_image) m_image->ReleaseFrame();
    }
    // Drops the unfinished file: nothing is left, an existing file of that name as it was.
    void abandon() { m_image.reset(); }

    // Completes the file and puts it in place; false when that failed (a full disk, the
    // folder gone), in which case nothing is left behind.
    bool finish() {
        if (!m_image || failed()) return false;
        m_flags.setValue(EncoderValueFlush);
        const GpStatus status = m_image->AppendFrame(m_image.get(), m_flags.block());
        m_image.reset();
        return finishedWith(status);
    }

private:
    std::string m_path;
    GUID m_encoder;
    SaveFlagParams m_flags;
    std::shared_ptr<TGPImage> m_image;
};

// The output of a lossless composition; as Destination, only finish() completes the file.
class CopyDestination : public OutputState {
public:
    CopyDestination(const std::string& path, const CopyTarget& target) : m_path(path), m_target(target) {}

    // Adds page `page` of `source`, noting in `losslessPages` how it went in; false, with `why`,
    // when it did not.
    bool add(TGPPageSource& source, uint32_t page, int quarterTurns, std::vector<LosslessPage>& losslessPages,
             std::string& why, const PageText* text = nullptr) {
        if (failed()) return false;
        if (!m_copy) {
            m_copy.reset(new TGPStoredPageWriter(widenPath(m_path), m_target));
            if (m_copy->LastStatus != Ok) {
                fail(m_copy->LastStatus);  // the output cannot be created
                return false;
            }
        }
        const CopiedPage added = m_copy->addPage(source, page, quarterTurns, text);
        if (!took(added.status, added.status == Ok ? std::string() : m_copy->failureReason())) {
            why = added.note.empty() ? decodeFailureReason(added.status, "") : added.note;
            return false;
        }
        losslessPages.push_back(
            {page, added.copied, added.copied ? std::string() : added.note, added.copied ? added.note : std::string()});
        return true;
    }

    void abandon() { m_copy.reset(); }

    bool finish() {
        if (!m_copy || failed()) return false;
        const GpStatus status = m_copy->finish();
        const std::string why = status == Ok ? std::string() : m_copy->failureReason();
        m_copy.reset();
        return finishedWith(status, why);
    }

private:
    std::string m_path;
    CopyTarget m_target;
    std::unique_ptr<TGPStoredPageWriter> m_copy;
};

// Progress through a composition page by page: the steps of each source are planned before
// the first page is read (its page count when every page is taken), a step is made after
// each page, and events are processed then, so that the window shows the progress and hears
// Escape within a source of many pages.
class PageProgress {
public:
    PageProgress(ProgressScope& scope, JobContext& context, std::vector<uint32_t> planned)
        : m_scope(scope), m_context(context), m_planned(std::move(planned)) {}

    bool cancelRequested() const { return m_context.cancelRequested(); }
    // Starts again from the first step, for a composition written a second time.
    void restart() { m_done = 0; }
    // A page of the source in hand was handled, not its last.
    void pageDone() {
        m_scope.step(m_done++);
        m_context.pump.processPendingEvents();
    }
    // Source `i` was handled: its planned steps are done, however many pages it gave.
    void sourceDone(size_t i) {
        int end = 0;
        for (size_t k = 0; k <= i && k < m_planned.size(); ++k) end += static_cast<int>(m_planned[k]);
        m_done = end;
        m_scope.step(m_done - 1);
        m_context.pump.processPendingEvents();
    }

private:
    ProgressScope& m_scope;
    JobContext& m_context;
    std::vector<uint32_t> m_planned;
    int m_done = 0;
};

// The turns asked for, handed out one a page in the order the pages are asked for.
class PageTurns {
public:
    explicit PageTurns(const std::vector<int>& turns) : m_turns(turns) {}
    // Quarter turns clockwise, 0 to 3.
    int next() {
        const size_t at = m_next++;
        return at < m_turns.size() ? (m_turns[at] % 4 + 4) % 4 : 0;
    }

private:
    const std::vector<int>& m_turns;
    size_t m_next = 0;
};

// Whether each source is named again further on (a collated document takes its pages one at
// a time): it then stays open till its last turn.
std::vector<bool> namedAgain(const ComposeRequest& request) {
    std::map<std::string, size_t> last;
    for (size_t i = 0; i < request.sources.size(); ++i) last[request.sources[i]] = i;
    std::vector<bool> again(request.sources.size());
    for (size_t i = 0; i < request.sources.size(); ++i) again[i] = last[request.sources[i]] > i;
    return again;
}

// The sources that gave nothing and the pages that failed alone, as `skipped` lists them,
// each page said in the language the message is said in.
MessageText skippedText(bool pdf, const ComposeResult& result) {
    MessageText text(pdf ? TextId::ComposePdfDoneSkipped : TextId::ComposeDoneSkipped);
    for (const SourceOutcome& source : result.outcomes) {
        if (!source.reason.empty()) {
            text.paths.push_back(source.path);
            text.pages.push_back(0);
            continue;
        }
        for (const uint32_t page : source.failedPages) {
            text.paths.push_back(source.path);
            text.pages.push_back(page + 1);
        }
    }
    return text;
}

std::string pageLabel(const std::string& path, uint32_t page) {
    return path + say(TextId::PageOfSource, page + 1);
}

// A source decoded beside the composition, with the decoder's reason when it failed.
struct OpenedSource {
    std::shared_ptr<TGPImage> image;
    std::string reason;
};

// A picture too large to be decoded whole opens without being decoded, to be read by bands.
OpenedSource openSource(const std::string& path) {
    OpenedSource opened{std::make_shared<TGPImage>(widenPath(path), TGPImage::Deferred{}), {}};
    if (!opened.image->NativeHandle) opened.reason = decodeFailureReason(*opened.image, opened.image->LastStatus);
    return opened;
}

// The pages wanted of a source of `frames` pages.
std::vector<uint32_t> wantedPages(const std::vector<uint32_t>* listed, bool allPages, uint32_t frames) {
    if (listed && !listed->empty()) return *listed;
    std::vector<uint32_t> pages(frames == 0 ? 0 : allPages ? frames : 1);
    for (uint32_t k = 0; k < pages.size(); ++k) pages[k] = k;
    return pages;
}

// Adds the wanted pages of a source of `frames` pages through `addPage` (false when the page
// did not go in). A source that gives nothing is named in `skipped`; with more than its
// first page wanted, each page that fails on its own is named with its number. A listed
// page past the source's end is returned, and nothing of the source added. A cancel request
// stops it after the page in hand.
template <typename Output, typename AddPage>
std::optional<PageOutOfRange> addSourcePages(uint32_t frames, const std::string& openFailure,
                                             const std::vector<uint32_t>* listed, bool allPages, const Output& output,
                                             AddPage addPage, std::vector<std::string>& skipped, SourceOutcome& outcome,
                                             PageProgress& progress) {
    const std::string& path = outcome.path;
    const std::vector<uint32_t> pages = wantedPages(listed, allPages, frames);
    if (frames == 0) {
        skipped.push_back(path);
        outcome.reason = openFailure.empty() ? "cannot be decoded" : openFailure;
        return std::nullopt;
    }
    for (const uint32_t page : pages)
        if (page >= frames) return PageOutOfRange{0, page, frames};
    const bool onePageWanted = !allPages && (!listed || listed->empty());
    for (size_t i = 0; i < pages.size() && !output.failed() && !progress.cancelRequested(); ++i) {
        // A page the output could not take is the output's failure, not the source's.
        std::string why;
        if (addPage(pages[i], why)) {
            ++outcome.pagesAdded;
        } else if (!output.failed()) {
            outcome.failedPages.push_back(pages[i]);
            outcome.failedReasons.push_back(why.empty() ? "cannot be decoded" : why);
        }
        if (i + 1 < pages.size()) progress.pageDone();  // the source's last step is the caller's
    }
    if (output.failed()) return std::nullopt;
    if (outcome.pagesAdded == 0 || onePageWanted) {
        if (!outcome.failedPages.empty()) {
            skipped.push_back(path);
            outcome.reason = pages.size() == 1 ? outcome.failedReasons[0]
                                               : "no page could be added (page " +
                                                     std::to_string(outcome.failedPages[0] + 1) + ": " +
                                                     outcome.failedReasons[0] + ")";
        }
        return std::nullopt;
    }
    for (uint32_t page : outcome.failedPages) skipped.push_back(pageLabel(path, page));
    return std::nullopt;
}

// Tells the destination that a source is done, however its pages went.
struct ReleaseWhenDone {
    Destination& destination;
    ~ReleaseWhenDone() { destination.sourceDone(); }
};

// The same for a source decoded into the composition.
std::optional<PageOutOfRange> addSource(const OpenedSource& opened, const std::vector<uint32_t>* listed, bool allPages,
                                        Destination& destination, std::vector<std::string>& skipped,
                                        SourceOutcome& outcome, PageProgress& progress, PageTurns& turns) {
    const std::shared_ptr<TGPImage> source = opened.image;
    const PageList pages = listPages(*source);
    const GUID dimension = pages.dimension;
    const uint32_t frames = pages.count;
    const ReleaseWhenDone released{destination};
    return addSourcePages(frames, opened.reason, listed, allPages, destination,
                          [&](uint32_t page, std::string& why) {
                              const int turn = turns.next();
                              const auto noteAdded = [&](const ImageFacts& facts, const std::string& warning) {
                                  if (outcome.profileLeftBehind.empty()) outcome.profileLeftBehind = profileLeftBehind(facts);
                                  if (outcome.warning.empty()) outcome.warning = warning;
                                  if (facts.rendered) outcome.renderedPages.push_back(page);
                                  outcome.textLeftOut = outcome.textLeftOut || facts.textLeftOut;
                                  if (turn != 0) outcome.turnedPages.push_back({page, turn});
                              };
                              if (const GpStatus status = source->ActivateFrame(&dimension, page); status != Ok) {
                                  // A page too large to be decoded whole goes in as it is read by bands.
                                  GpStreamedFrame streamed;
                                  const std::optional<bool> added = destination.addStreamed(source, page, turn, streamed);
                                  if (added && *added) {
                                      noteAdded(streamed.facts, streamed.warning);
                                      return true;
                                  }
                                  why = !added ? decodeFailureReason(*source, status)
                                               : decodeFailureReason(GenericError, streamed.failure);
                                  return false;
                              }
                              // A turned frame is decoded again when it is asked for again.
                              struct Untouched {
                                  TGPImage& image;
                                  bool turned;
                                  ~Untouched() {
                                      if (turned) image.ReleaseFrame();
                                  }
                              } const untouched{*source, turn != 0};
                              if (turn != 0 && source->Turn(turn) != Ok) {
                                  why = "it could not be turned";
                                  return false;
                              }
                              if (!destination.add(source)) {
                                  why = "it could not be written";
                                  return false;
                              }
                              noteAdded(source->facts(), source->frameWarning());
                              return true;
                          },
                          skipped, outcome, progress);
}

// One pass over the sources into `destination`: `addOne(i, outcome)` adds what source `i`
// gives, and `settle()` runs once the last is added, before the file is completed or
// dropped. False when a classic file could not take every page: nothing is kept and
// nothing said.
template <typename Output, typename AddOne, typename Settle>
bool composeSources(const ComposeRequest& request, Output& destination, PageProgress& progress, JobContext& context,
                    ComposeResult& result, AddOne addOne, Settle settle) {
    for (size_t i = 0; i < request.sources.size() && !destination.failed(); ++i) {
        result.outcomes.push_back({.path = request.sources[i]});
        result.pageOutOfRange = addOne(i, result.outcomes.back());
        if (result.pageOutOfRange) {
            result.pageOutOfRange->source = i;
            break;
        }
        progress.sourceDone(i);
        if (context.cancelRequested()) {
            result.cancelled = true;
            break;
        }
    }
    settle();
    if (destination.overflowed()) {
        destination.abandon();
        return false;
    }
    if (result.cancelled || result.pageOutOfRange) {
        destination.abandon();
    } else {
        // The file is complete and in place before anything is said about it.
        const uint32_t pages = destination.pages();
        result.written = destination.finish();
        result.pages = result.written ? pages : 0;
    }
    result.outputFailure = destination.failure();
    return true;
}

const std::vector<uint32_t>* listedPages(const ComposeRequest& request, size_t i) {
    return i < request.sourcePages.size() ? &request.sourcePages[i] : nullptr;
}

// The progress steps of each source: its listed pages, its first page, or, when every page
// is taken, its page count (read without decoding a page; a source that cannot be read
// takes one step, as it fails at once).
std::vector<uint32_t> plannedSteps(const ComposeRequest& request) {
    std::vector<uint32_t> planned;
    for (size_t i = 0; i < request.sources.size(); ++i) {
        const std::vector<uint32_t>* listed = listedPages(request, i);
        if (listed && !listed->empty()) {
            planned.push_back(static_cast<uint32_t>(listed->size()));
        } else if (!request.allPages) {
            planned.push_back(1);
        } else {
            const TGPPageSource source(widenPath(request.sources[i]));
            planned.push_back(std::max<uint32_t>(1, source.pages()));
        }
    }
    return planned;
}

// The sources decoded, as BigTIFF or a classic file.
bool composeOnce(const ComposeRequest& request, bool bigTiff, PageProgress& progress, JobContext& context,
                 ComposeResult& result) {
    result = ComposeResult{};
    GUID encoder{};
    FindEncoderByMime("image/tiff", encoder);
    Destination destination(request.outputPath, encoder, request.compression, bigTiff);
    PageTurns turns(request.pageTurns);
    const std::vector<bool> again = namedAgain(request);
    std::map<std::string, OpenedSource> kept;  // sources named again further on
    // The next source is decoded beside the composition while this one is added, unless
    // their pages are too large to be held two at a time.
    auto openAside = [&kept](bool onAThread, const std::string& path) {
        if (const auto found = kept.find(path); found != kept.end())
            return startAside(false, [opened = found->second] { return opened; });
        return startAside(onAThread, [path] { return openSource(path); });
    };
    std::future<OpenedSource> next = openAside(false, request.sources[0]);
    const auto addOne = [&](size_t i, SourceOutcome& outcome) {
        OpenedSource source = next.get();
        const size_t left = request.sources.size() - i;
        if (left > 1)
            next = openAside(pagesAtOnce(source.image->PixelWidth(), source.image->PixelHeight(), left) > 1,
                             request.sources[i + 1]);
        const auto added = addSource(source, listedPages(request, i), request.allPages, destination,
                                     result.skipped, outcome, progress, turns);
        if (again[i] && source.image->NativeHandle) {
            source.image->ReleaseFrame();
            kept[request.sources[i]] = std::move(source);
        } else {
            kept.erase(request.sources[i]);
        }
        return added;
    };
    // A source read ahead and not taken is still on its worker: nothing outlives the pass.
    return composeSources(request, destination, progress, context, result, addOne, [&] {
        if (next.valid()) next.wait();
    });
}

// Every page the request adds, in order, with the turn it is asked to get: what is
// recognised ahead of the composition. A source that cannot be read gives none.
std::vector<PageToRecognise> pagesToRecognise(const ComposeRequest& request) {
    std::vector<PageToRecognise> pages;
    PageTurns turns(request.pageTurns);
    for (size_t i = 0; i < request.sources.size(); ++i) {
        const std::vector<uint32_t>* listed = listedPages(request, i);
        const uint32_t frames = TGPPageSource(widenPath(request.sources[i]), true).pages();
        for (const uint32_t page : frames == 0 ? std::vector<uint32_t>{} : wantedPages(listed, request.allPages, frames))
            pages.push_back({request.sources[i], page, turns.next()});
    }
    return pages;
}

// The sources' pages as stored, as BigTIFF or a classic file. Copying costs little more
// than writing, so the sources go one after another.
bool copyOnce(const ComposeRequest& request, bool bigTiff, PageProgress& progress, JobContext& context,
              ComposeResult& result) {
    result = ComposeResult{};
    CopyDestination destination(request.outputPath, {request.pdf, bigTiff, request.pdfDpi});
    PageTurns turns(request.pageTurns);
    const std::vector<bool> again = namedAgain(request);
    std::unique_ptr<PageTexts> texts;
    if (request.pdf && request.ocr.enabled)
        texts = std::make_unique<PageTexts>(pagesToRecognise(request), request.ocr,
                                            [&context] { return context.cancelRequested(); });
    std::map<std::string, std::shared_ptr<TGPPageSource>> kept;  // sources named again further on
    const auto addOne = [&](size_t i, SourceOutcome& outcome) {
        const std::string& path = request.sources[i];
        const auto found = kept.find(path);
        const std::shared_ptr<TGPPageSource> source =
            found != kept.end() ? found->second : std::make_shared<TGPPageSource>(widenPath(path), request.pdf);
        const std::string openFailure =
            source->pages() == 0 ? decodeFailureReason(source->LastStatus, source->openFailure()) : std::string();
        const auto added = addSourcePages(
            source->pages(), openFailure, listedPages(request, i), request.allPages, destination,
            [&](uint32_t page, std::string& why) {
                int turn = turns.next();
                std::optional<RecognisedPage> words;
                if (texts) {
                    words = texts->take();
                    turn = (turn + words->uprightTurns) % 4;
                    result.pageWords.push_back(pageWords(path, page, *words));
                }
                if (!destination.add(*source, page, turn, outcome.losslessPages, why,
                                     words && words->recognised ? &words->text : nullptr))
                    return false;
                if (turn != 0) outcome.turnedPages.push_back({page, turn});
                return true;
            },
            result.skipped, outcome, progress);
        if (again[i])
            kept[path] = source;
        else
            kept.erase(path);
        return added;
    };
    return composeSources(request, destination, progress, context, result, addOne, [] {});
}

}  // namespace

std::string skippedSourcesMessage(const std::vector<std::string>& skipped, bool pdf) {
    return render({pdf ? TextId::ComposePdfDoneSkipped : TextId::ComposeDoneSkipped, 0, skipped},
                  programLanguage());
}

bool isPdfPath(const std::string& path) {
    if (path.size() < 4) return false;
    std::string extension = path.substr(path.size() - 4);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".pdf";
}

ComposeResult ComposeTiff(const ComposeRequest& request, JobContext& context) {
    ComposeResult result;
    const TextId failed = request.pdf ? TextId::ComposePdfFailed : TextId::ComposeFailed;
    if (request.sources.empty()) return result;
    if (trimmedText(request.outputPath).empty()) {
        showError(context.messages, TextId::ComposeNoName);
        return result;
    }
    for (const std::string& source : request.sources) {
        if (sameFile(source, request.outputPath)) {
            showError(context.messages, TextId::ComposeOverwritesSource);
            return result;
        }
    }
    // A folder, a FIFO or a missing folder is known before any source is decoded.
    if (result.outputFailure = outputRefusal(request.outputPath); !result.outputFailure.empty()) {
        showError(context.messages, failed,
                  joinedLines(composeFailureLines(request.outputPath, result)));
        return result;
    }
    // A language that is not installed is known before anything is written.
    if (request.pdf && request.ocr.enabled) {
        if (std::string why; checkTextLanguages(request.ocr.languages, why) != Ok) {
            result.outputFailure = why;
            showError(context.messages, failed, joinedLines(composeFailureLines(request.outputPath, result)));
            return result;
        }
    }
    if (request.dropBlank) {
        ComposeRequest kept = request;
        kept.dropBlank = false;
        std::vector<DroppedPage> dropped = dropBlankPages(kept);
        if (kept.sources.empty()) {
            result.blankPagesDropped = std::move(dropped);
            result.outputFailure = "every page asked for is blank";
            showError(context.messages, failed, joinedLines(composeFailureLines(request.outputPath, result)));
            return result;
        }
        result = ComposeTiff(kept, context);
        result.blankPagesDropped = std::move(dropped);
        return result;
    }
    {
        const std::vector<uint32_t> planned = plannedSteps(request);
        int steps = 0;
        for (const uint32_t n : planned) steps += static_cast<int>(n);
        ProgressScope scope(
            context.progress, steps,
            say(request.pdf ? TextId::ComposePdfProgress : TextId::ComposeProgress));
        // The status text is on screen before the first page is read.
        context.pump.processPendingEvents();
        PageProgress progress(scope, context, planned);
        // A classic file holds 4 GiB; when the pages could take it past that, the whole
        // composition is written again as BigTIFF (the unfinished file was never in place).
        const auto pass = pagesGoAsStored(request.lossless, request.pdf) ? &copyOnce : &composeOnce;
        if (!pass(request, request.bigTiff, progress, context, result)) {
            progress.restart();
            (void)pass(request, true, progress, context, result);
        }
    }
    if (result.pageOutOfRange) return result;
    if (result.cancelled) {
        showInformation(context.messages, TextId::CancelledNothing);
        return result;
    }
    const std::string details = joinedLines(composeFailureLines(request.outputPath, result));
    if (!result.written) {
        showError(context.messages, failed, details);
    } else if (!result.skipped.empty()) {
        showError(context.messages, skippedText(request.pdf, result), details);
    } else {
        showInformation(context.messages,
                        request.pdf ? TextId::ComposePdfDone : TextId::ComposeDone);
    }
    return result;
}

std::vector<std::string> composeFailureLines(const std::string& output, const ComposeResult& result,
                                             NameStyle name) {
    std::vector<std::string> lines;
    if (!result.outputFailure.empty()) lines.push_back(name(output) + ": " + result.outputFailure);
    for (const SourceOutcome& source : result.outcomes) {
        if (!source.reason.empty()) {
            lines.push_back(name(source.path) + ": " + source.reason);
            continue;
        }
        for (size_t i = 0; i < source.failedPages.size(); ++i)
            lines.push_back(name(source.path) + ": page " + std::to_string(source.failedPages[i] + 1) +
                            " was not added" +
                            (i < source.failedReasons.size() ? " (" + source.failedReasons[i] + ")" : ""));
    }
    return lines;
}

}  // namespace orvelle
