#include "job_commands.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>

#include "merge/compose.h"
#include "page_turns.h"
#include "imaging/gdipobj.h"
#include "imaging/gdiputil.h"
#include "imaging/output_batch.h"
#include "imaging/page_texts.h"
#include "imaging/status_text.h"
#include "imaging/stored_page_writer.h"
#include "imaging/text_path.h"
#include "imaging/thumbnail_tile.h"
#include "jobs/texts.h"
#include "split/file_names.h"
#include "split/documents.h"
#include "split/page_export.h"
#include "split/page_listing.h"
#include "interrupts.h"
#include "job_reports.h"
#include "output_folder.h"
#include "page_ranges.h"
#include "path_list.h"
#include "quoted_name.h"
#include "terminal_reporting.h"

namespace orvelle::cli {
namespace {

constexpr int kAllWritten = 0, kSomeFailed = 1, kNothingWritten = 2;

const char* const kFormatNames[] = {"jpeg", "bmp", "gif", "png", "tiff", "pdf"};

// Names of formats and codings are taken in any letter case: PNG, Png and png alike.
std::string lowercase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::optional<ExportFormat> formatNamed(const std::string& given) {
    const std::string name = lowercase(given);
    if (name == "jpg" || name == "jpe") return ExportFormat::Jpeg;
    if (name == "tif") return ExportFormat::Tiff;
    for (int i = 0; i < kOutputFormatCount; ++i)
        if (name == kFormatNames[i]) return exportFormatOfBox(i);
    return std::nullopt;
}

// The format a file's name ends in, when it names one; a leading period starts a hidden
// name, not an extension, as the save dialog's default extension has it.
std::optional<ExportFormat> formatOfName(const std::string& path) {
    const std::string name = FileNameOf(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return std::nullopt;
    return formatNamed(name.substr(dot + 1));
}

bool parseNumber(const std::string& text, long& value) {
    const char* end = text.data() + text.size();
    auto [last, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && last == end;
}

// Reads "--name value" pairs and flags; the rest are operands.
struct Arguments {
    std::vector<std::string> operands;
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> flags;
    std::string error;

    const std::string* option(const std::string& name) const {
        for (const auto& [key, value] : options)
            if (key == name) return &value;
        return nullptr;
    }
    // Every value of an option that may be repeated, in the order given.
    std::vector<std::string> all(const std::string& name) const {
        std::vector<std::string> values;
        for (const auto& [key, value] : options)
            if (key == name) values.push_back(value);
        return values;
    }
    bool flag(const std::string& name) const {
        for (const auto& f : flags)
            if (f == name) return true;
        return false;
    }
};

Arguments parse(const std::vector<std::string>& args, const std::vector<std::string>& withValue,
                const std::vector<std::string>& plainFlags) {
    Arguments parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            parsed.operands.push_back(arg);
            continue;
        }
        bool known = false;
        for (const auto& name : withValue)
            if (arg == name) {
                if (i + 1 >= args.size()) {
                    parsed.error = arg + " needs a value";
                    return parsed;
                }
                // Which of two values was meant cannot be known: refuse rather than pick one.
                // Turns add up.
                if (parsed.option(arg) && arg != "--rotate") {
                    parsed.error = arg + " is given more than once";
                    return parsed;
                }
                parsed.options.emplace_back(arg, args[++i]);
                known = true;
            }
        for (const auto& name : plainFlags)
            if (arg == name) {
                parsed.flags.push_back(arg);
                known = true;
            }
        if (!known) {
            parsed.error = "unknown option " + arg;
            return parsed;
        }
    }
    return parsed;
}

// The exit status of a job that stopped on SIGINT or SIGTERM, else `status`.
int unlessInterrupted(bool cancelled, int status) {
    const int interrupted = interruptedExitStatus();
    return cancelled && interrupted != 0 ? interrupted : status;
}

// Saves each tile as it is listed and prints its caption.
class TileFiles : public PageListSink {
public:
    TileFiles(const std::string& source, const std::string& folder, BitmapTileTarget& target,
              std::ostream& out, std::ostream& err)
        : m_source(source), m_folder(folder), m_target(target), m_out(out), m_err(err) {
        FindEncoderByMime("image/png", m_png);
    }

    void addPage(const std::string& caption) override {
        const std::string name = pageOutputName(m_folder, m_source, m_page++, ".png");
        TGPBitmap* tile = m_target.bitmap();
        if (tile && tile->SaveToFile(widenPath(name), &m_png, nullptr) == Ok) {
            m_written.emplace_back(caption, name);
            if (m_written.size() == kNamedTogether) settle();
        } else {
            m_err << name << ": not written\n";
            ++m_failed;
        }
    }
    // Names the tiles written so far and prints their captions: a caption is printed once
    // its file is there.
    void settle() {
        std::vector<TGPOutputBatch::Unnamed> unnamed = m_batch.settle();
        for (const auto& [caption, name] : m_written) {
            const auto failure = std::find_if(unnamed.begin(), unnamed.end(),
                                              [&name](const TGPOutputBatch::Unnamed& file) { return file.path == name; });
            if (failure == unnamed.end()) {
                m_out << caption << "\t" << name << "\n";
            } else {
                m_err << name << ": not written (" << writeFailureReason(failure->status) << ")\n";
                ++m_failed;
            }
        }
        m_out.flush();
        m_written.clear();
    }
    uint32_t failed() const { return m_failed; }

private:
    std::string m_source, m_folder;
    BitmapTileTarget& m_target;
    std::ostream& m_out;
    std::ostream& m_err;
    GUID m_png{};
    uint32_t m_page = 0;
    uint32_t m_failed = 0;
    // One flush of the disk for many tiles, not one each.
    static constexpr size_t kNamedTogether = 64;
    TGPOutputBatch m_batch;
    std::vector<std::pair<std::string, std::string>> m_written;  // caption and file, not yet named
};

}  // namespace

int runTiles(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = parse(args, {"--out"}, {});
    auto usage = [&](const std::string& why) {
        err << "orvelle-cli tiles: " << why << "\n";
        return kNothingWritten;
    };
    if (!a.error.empty()) return usage(a.error);
    if (a.operands.size() != 1) return usage("name exactly one source TIFF");
    const std::string* folder = a.option("--out");
    if (!folder) return usage("name the output folder with --out DIR");
    if (std::string why; !makeOutputFolder(*folder, why))
        return usage("cannot make the folder " + quotedName(*folder) + ": " + why);
    TerminalProgress progress(err);
    TerminalMessages messages(err);
    NoEvents pump;
    JobContext context{progress, messages, pump, &jobCancel()};
    BitmapTileTarget target;
    const std::string& source = a.operands[0];
    TileFiles files(source, *folder, target, out, err);
    const PageListing listing = listTiffPages(source, target, files, context);
    files.settle();
    if (!listing.sourceFailure.empty()) err << quotedName(source) << ": " << listing.sourceFailure << "\n";
    for (const PageOutcome& page : listing.failures)
        err << quotedName(source) << ": page " << (page.page + 1) << ": " << page.reason << "\n";
    const int status = listing.pages == 0 || files.failed() == listing.pages ? kNothingWritten
                       : listing.failedPages == 0 && files.failed() == 0    ? kAllWritten
                                                                            : kSomeFailed;
    return unlessInterrupted(listing.cancelled, status);
}

namespace {

// The last message as reports give it: its identifier and the program's own words, whatever
// the language of the terminal.
ClosingMessage closingMessage(const TerminalMessages& messages) {
    const Message& last = messages.last();
    return {last.id, last.reportTitle, last.reportText};
}

// The pages of a document, for ranges with an open end; 0 when it cannot be decoded.
// Counted as the copier opens a document: nothing is decoded (a PDF's first page is not
// drawn ahead, as the decoder would).
uint32_t countPages(const std::string& path) {
    const TGPPageSource source(widenPath(path));
    return source.pages();
}

std::optional<int> qualityOption(const Arguments& a, std::string& why) {
    long quality = kDefaultQuality;
    if (const std::string* text = a.option("--quality")) {
        if (!parseNumber(*text, quality) || quality < 1 || quality > 100) {
            why = "the JPEG quality is a whole number from 1 to 100";
            return std::nullopt;
        }
    }
    return static_cast<int>(quality);
}

// --dpi: the resolution of PDF pages whose pictures have none, and of the pages of a PDF
// source that are drawn (text, drawings); 0 when not given. `fromPdf`: a source is a PDF.
std::optional<uint32_t> dpiOption(const Arguments& a, bool fromPdf, std::string& why) {
    const std::string* text = a.option("--dpi");
    if (!text) return 0u;
    long dpi = 0;
    if (!parseNumber(*text, dpi) || dpi < 1 || dpi > 100000) {
        why = "the resolution is a whole number of dots per inch from 1 to 100000";
        return std::nullopt;
    }
    if (fromPdf && !ImagingSession::setPdfDrawResolution(static_cast<double>(dpi))) {
        why = "PDF pages are drawn at 10 to 2400 dots per inch";
        return std::nullopt;
    }
    return static_cast<uint32_t>(dpi);
}

}  // namespace

namespace {

int usageError(std::ostream& err, const char* command, const std::string& why) {
    err << "orvelle-cli " << command << ": " << why << "\n";
    return kNothingWritten;
}

// What split's options ask for, checked against one another.
// What --ocr, --ocr-lang, --auto-rotate and --text ask of a job whose output is a PDF when
// `pdf`; the languages are checked before anything is written.
// --ocr=redo is --ocr that also recognises again PDF pages whose only text is unseen.
bool ocrAsked(const Arguments& a) { return a.flag("--ocr") || a.flag("--ocr=redo"); }

std::optional<TextRecognition> textRecognition(const Arguments& a, bool pdf, std::string& why) {
    TextRecognition ocr;
    ocr.enabled = ocrAsked(a);
    ocr.redo = a.flag("--ocr=redo");
    if (!ocr.enabled) {
        for (const char* other : {"--ocr-lang", "--text"})
            if (a.option(other)) return why = std::string(other) + " goes with --ocr", std::nullopt;
        if (a.flag("--auto-rotate")) return why = "--auto-rotate goes with --ocr", std::nullopt;
        return ocr;
    }
    if (!pdf) return why = "--ocr lays the recognised words over the pages of a PDF: the output is no PDF", std::nullopt;
    const std::string* languages = a.option("--ocr-lang");
    ocr.languages = languages ? *languages : defaultTextLanguages();
    ocr.autoRotate = a.flag("--auto-rotate");
    if (checkTextLanguages(ocr.languages, why) != Ok) return std::nullopt;
    return ocr;
}

// Writes the words of each page recognised to `path`, a form feed between pages; false,
// with the failure said on `err`, when it cannot be written.
bool writeRecognisedText(const std::string& path, const std::vector<PageWords>& pages, std::ostream& err) {
    std::string text;
    for (size_t k = 0; k < pages.size(); ++k) text += (k ? "\f" : "") + pages[k].text;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (file) return true;
    err << "orvelle-cli: " << quotedName(path) << ": the text cannot be written: " << std::strerror(errno) << "\n";
    return false;
}

struct SplitChoices {
    ExportFormat format = ExportFormat::Jpeg;
    long percent = 100;
    int quality = kDefaultQuality;
    uint32_t dpi = 0;
    bool lossless = false;
};

std::optional<SplitChoices> splitChoices(const Arguments& a, std::string& why) {
    SplitChoices c;
    const std::string* formatName = a.option("--format");
    if (formatName) {
        const std::optional<ExportFormat> named = formatNamed(*formatName);
        if (!named) return why = "unknown format " + *formatName + " (jpeg, bmp, gif, png, tiff or pdf)", std::nullopt;
        c.format = *named;
    }
    // One page written into a named file takes the format its name says, as the merge's
    // output does: p2.png holds PNG. A name saying one format and --format another is
    // refused rather than written in either.
    if (const std::string* target = a.option("--to"); target && a.option("--page")) {
        if (const std::optional<ExportFormat> named = formatOfName(*target)) {
            if (formatName && *named != c.format)
                return why = quotedName(*target) + "'s name says " + kFormatNames[static_cast<int>(*named)] +
                             ", but --format says " + kFormatNames[static_cast<int>(c.format)],
                       std::nullopt;
            c.format = *named;
        }
    }
    if (const std::string* text = a.option("--percent")) {
        if (!parseNumber(*text, c.percent) || c.percent < kMinPercent || c.percent > kMaxPercent)
            return why = "the percentage is a whole number from 1 to 1000", std::nullopt;
    }
    const std::optional<int> quality = qualityOption(a, why);
    if (!quality) return std::nullopt;
    c.quality = *quality;
    const bool fromPdf = !a.operands.empty() && isPdfPath(a.operands.front());
    const std::optional<uint32_t> dpi = dpiOption(a, fromPdf, why);
    if (!dpi) return std::nullopt;
    c.dpi = *dpi;
    if (c.dpi > 0 && c.format != ExportFormat::Pdf && !fromPdf)
        return why = "--dpi gives PDF pages their size: add --format pdf", std::nullopt;
    c.lossless = a.flag("--lossless");
    if (c.lossless && c.format != ExportFormat::Tiff && c.format != ExportFormat::Pdf)
        return why = "--lossless copies pages as stored into TIFF files: add --format tiff", std::nullopt;
    if (c.lossless && c.percent != 100) return why = "--lossless copies pages as stored: only at 100 %", std::nullopt;
    return c;
}

// split SOURCE --page N --to FILE
int splitOnePage(const Arguments& a, const std::string& source, const SplitChoices& c, std::ostream& out,
                 std::ostream& err) {
    const std::optional<uint32_t> page = parsePageNumber(*a.option("--page"));
    const std::string* target = a.option("--to");
    if (!page) return usageError(err, "split", "pages are counted from 1");
    if (!target || a.option("--out") || a.option("--pages"))
        return usageError(err, "split", "--page goes with --to FILE, not --out or --pages");
    if (a.flag("--drop-blank")) return usageError(err, "split", "--drop-blank leaves out pages of a run over every page: not with --page");
    // An unreadable document is left to the job, which says so.
    const uint32_t count = countPages(source);
    if (count > 0 && *page > count) return usageError(err, "split", pastTheEndReason(*page, source, count));
    ExportPageRequest request{source,
                              *page - 1,
                              *target,
                              c.format,
                              static_cast<int>(c.percent),
                              c.quality,
                              a.flag("--keep-class"),
                              c.lossless,
                              c.dpi};
    if (const std::vector<std::string> rotations = a.all("--rotate"); !rotations.empty()) {
        std::string why;
        const auto turns = pageTurns(rotations, 1, why);
        if (!turns) return usageError(err, "split", why);
        request.quarterTurns = turns->at(0);
    }
    TerminalMessages messages(err);
    std::string reason;
    PageOutcome outcome{.page = request.pageIndex};
    const bool written = ExportPage(request, messages, &reason, &outcome);
    ExportAllResult result;
    result.pages = count;
    result.lossless = copiesAsStored(c.format, c.lossless, static_cast<int>(c.percent));
    outcome.page = request.pageIndex;
    outcome.file = written ? *target : "";
    outcome.reason = reason;
    result.outcomes.push_back(outcome);
    if (written) result.written.push_back(*target);
    else result.failedPages.push_back(request.pageIndex);
    if (a.flag("--json")) printSplitReport(out, source, result, closingMessage(messages));
    else if (written) out << *target << "\n";
    if (a.flag("--verbose")) printDecodedPages(err, source, result);
    if (!written) {
        err << quotedName(source) << ": page " << *page << " was not written to " << quotedName(*target) << ": "
            << reason << "\n";
        return kNothingWritten;
    }
    return kAllWritten;
}

// split SOURCE --out DIR [--pages RANGES]
int splitEveryPage(const Arguments& a, const std::string& source, const SplitChoices& c, std::ostream& out,
                   std::ostream& err) {
    const std::string* folder = a.option("--out");
    if (!folder || a.option("--to")) return usageError(err, "split", "name the output folder with --out DIR");
    if (std::string why; !makeOutputFolder(*folder, why))
        return usageError(err, "split", "cannot make the folder " + quotedName(*folder) + ": " + why);
    TerminalMessages messages(err);
    if (!checkExportInputs(source, *folder, messages)) return kNothingWritten;
    ExportAllRequest request{source, *folder, c.format, [percent = c.percent] { return static_cast<int>(percent); }};
    request.quality = c.quality;
    request.keepClass = a.flag("--keep-class");
    request.padNames = a.flag("--pad");
    request.lossless = c.lossless;
    request.pdfDpi = c.dpi;
    if (const std::string* text = a.option("--pages")) {
        const auto ranges = parsePageRanges(*text);
        if (!ranges) return usageError(err, "split", "pages are written as 1-3,7,10- (numbers from 1)");
        // An unreadable document is left to the job, which says so.
        if (const uint32_t count = countPages(source); count > 0) {
            uint32_t beyond = 0;
            const auto pages = expandPageRanges(*ranges, count, beyond);
            if (!pages) return usageError(err, "split", pastTheEndReason(beyond, source, count));
            request.pages = *pages;
        }
    }
    if (const std::vector<std::string> rotations = a.all("--rotate"); !rotations.empty()) {
        // Turns name the pages written, in the order they are asked for.
        std::string why;
        const auto turns = pageTurns(
            rotations, a.option("--pages") ? static_cast<uint32_t>(request.pages.size()) : countPages(source), why);
        if (!turns) return usageError(err, "split", why);
        request.pageTurns = *turns;
    }
    request.dropBlank = a.flag("--drop-blank");
    {
        std::string why;
        if (ocrAsked(a) && c.format == ExportFormat::Pdf && c.percent != 100)
            return usageError(err, "split", "--ocr keeps each page's picture as it is: only at 100 %");
        const std::optional<TextRecognition> ocr = textRecognition(a, c.format == ExportFormat::Pdf, why);
        if (!ocr) return usageError(err, "split", why);
        request.ocr = *ocr;
    }
    TerminalProgress progress(err);
    NoEvents pump;
    JobContext context{progress, messages, pump, &jobCancel()};
    const ExportAllResult result = ExportAllPages(request, context);
    printBlankPagesDropped(err, source, result);
    if (a.flag("--json")) {
        printSplitReport(out, source, result, closingMessage(messages));
    } else {
        for (const std::string& file : result.written) out << file << "\n";
    }
    if (a.flag("--verbose")) printDecodedPages(err, source, result);
    printSplitFailures(err, source, result);
    const std::string* textFile = a.option("--text");
    const bool textWritten = !textFile || result.written.empty() || writeRecognisedText(*textFile, result.pageWords, err);
    const int status = result.written.empty()                          ? kNothingWritten
                       : result.failedPages.empty() && textWritten ? kAllWritten
                                                                    : kSomeFailed;
    return unlessInterrupted(result.cancelled, status);
}

// What merge's options and operands ask for, checked against one another.
std::optional<ComposeRequest> mergeRequest(const Arguments& a, std::string& why) {
    const std::string* output = a.option("--out");
    if (!output) return why = "name the output file with --out FILE", std::nullopt;
    TiffPageCompression compression = TiffPageCompression::Lzw;
    if (const std::string* given = a.option("--compression")) {
        const std::string name = lowercase(*given);
        if (name == "g4") compression = TiffPageCompression::G4;
        else if (name == "deflate") compression = TiffPageCompression::Deflate;
        else if (name == "auto") compression = TiffPageCompression::Auto;
        else if (name != "lzw") return why = "unknown compression " + *given + " (lzw, g4, deflate or auto)", std::nullopt;
    }
    if (a.flag("--lossless") && a.option("--compression"))
        return why = "--lossless keeps each page's own compression: leave out --compression", std::nullopt;
    // The output's format follows its extension unless --to names it.
    bool pdf = isPdfPath(*output);
    if (const std::string* given = a.option("--to")) {
        const std::string to = lowercase(*given);
        if (to != "pdf" && to != "tiff") return why = "unknown output format " + *given + " (pdf or tiff)", std::nullopt;
        pdf = to == "pdf";
    }
    if (pdf && (a.option("--compression") || a.flag("--bigtiff")))
        return why = "a PDF keeps each page's data as it is or stores it losslessly: leave out --compression and --bigtiff",
               std::nullopt;
    std::vector<std::string> operands = a.operands;
    if (const std::string* listFile = a.option("--from-list")) {
        const PathList listed = readPathListFile(*listFile, a.flag("--null"));
        if (!listed.error.empty()) return why = "cannot read the list " + quotedName(*listFile) + ": " + listed.error, std::nullopt;
        operands.insert(operands.end(), listed.paths.begin(), listed.paths.end());
    }
    const bool fromPdf = std::any_of(operands.begin(), operands.end(),
                                     [](const std::string& operand) { return isPdfPath(splitRangedSource(operand).path); });
    const std::optional<uint32_t> dpi = dpiOption(a, fromPdf, why);
    if (!dpi) return std::nullopt;
    if (!pdf && !fromPdf && *dpi > 0) return why = "--dpi gives PDF pages their size: the output is a TIFF", std::nullopt;
    if (operands.empty()) return why = "name at least one picture to merge", std::nullopt;
    if (a.flag("--collate") && a.flag("--all-pages"))
        return why = "--collate takes every page of each source: leave out --all-pages", std::nullopt;
    ComposeRequest request{{}, *output, a.flag("--all-pages")};
    request.compression = compression;
    request.dropBlank = a.flag("--drop-blank");
    request.bigTiff = a.flag("--bigtiff");
    request.lossless = a.flag("--lossless");
    request.pdf = pdf;
    request.pdfDpi = *dpi;
    for (const std::string& operand : operands) {
        RangedSource named = splitRangedSource(operand);
        std::vector<uint32_t> pages;
        // A source that cannot be decoded is left to the job, which names it.
        if (named.ranges) {
            if (const uint32_t count = countPages(named.path); count > 0) {
                uint32_t beyond = 0;
                const auto expanded = expandPageRanges(*named.ranges, count, beyond);
                if (!expanded) return why = pastTheEndReason(beyond, named.path, count), std::nullopt;
                pages = *expanded;
            }
        }
        request.sources.push_back(named.path);
        request.sourcePages.push_back(std::move(pages));
    }
    if (const std::optional<TextRecognition> ocr = textRecognition(a, pdf, why)) request.ocr = *ocr;
    else return std::nullopt;
    if (a.flag("--collate") && !collateSources(request, why)) return std::nullopt;
    if (const std::vector<std::string> rotations = a.all("--rotate"); !rotations.empty()) {
        // Turns name pages of the output: every page the sources give, in order.
        uint32_t pageCount = 0;
        for (size_t i = 0; i < request.sources.size(); ++i) {
            const uint32_t count = request.sourcePages[i].empty() ? countPages(request.sources[i]) : 0;
            pageCount += !request.sourcePages[i].empty() ? static_cast<uint32_t>(request.sourcePages[i].size())
                         : request.allPages               ? count
                                                          : std::min<uint32_t>(count, 1);
        }
        const std::optional<std::vector<int>> turns = pageTurns(rotations, pageCount, why);
        if (!turns) return std::nullopt;
        request.pageTurns = *turns;
    }
    return request;
}

// How --documents cuts the source: "every:N", "blank" or "pages:1-3,4-9,10-" (one document
// for each comma-separated range). False, with `why`, when the text is none of these.
bool documentCut(const std::string& text, const std::string& source, DocumentsRequest& request, std::string& why) {
    if (text == "blank") {
        request.cut = DocumentsRequest::Cut::AtBlankPages;
        return true;
    }
    if (text.rfind("every:", 0) == 0) {
        long every = 0;
        if (!parseNumber(text.substr(6), every) || every < 1 || every > 1000000)
            return why = "--documents every:N takes N pages in each document, N a whole number from 1", false;
        request.cut = DocumentsRequest::Cut::EveryN;
        request.every = static_cast<uint32_t>(every);
        return true;
    }
    if (text.rfind("pages:", 0) == 0) {
        request.cut = DocumentsRequest::Cut::Ranges;
        const uint32_t count = countPages(source);
        std::string rest = text.substr(6);
        for (size_t start = 0; start <= rest.size();) {
            const size_t comma = std::min(rest.find(',', start), rest.size());
            const auto ranges = parsePageRanges(rest.substr(start, comma - start));
            if (!ranges) return why = "--documents pages: takes ranges such as 1-3,4-9,10-, one document each", false;
            uint32_t beyond = 0;
            const auto pages = expandPageRanges(*ranges, count, beyond);
            // An unreadable document is left to the job, which says so.
            if (!pages && count > 0) return why = pastTheEndReason(beyond, source, count), false;
            if (pages) request.ranges.push_back(*pages);
            start = comma + 1;
        }
        return true;
    }
    return why = "--documents takes every:N, blank or pages:RANGES", false;
}

// split SOURCE --out DIR --documents every:N|blank|pages:RANGES
int splitDocuments(const Arguments& a, const std::string& source, const SplitChoices& c, std::ostream& out,
                   std::ostream& err) {
    const std::string* folder = a.option("--out");
    if (!folder || a.option("--to")) return usageError(err, "split", "name the output folder with --out DIR");
    for (const char* other : {"--page", "--pages", "--percent", "--quality", "--rotate"})
        if (a.option(other))
            return usageError(err, "split", std::string("--documents writes whole pages into documents: leave out ") + other);
    for (const char* other : {"--keep-class", "--pad", "--drop-blank"})
        if (a.flag(other))
            return usageError(err, "split", std::string("--documents writes whole pages into documents: leave out ") + other);
    if (a.option("--format") && c.format != ExportFormat::Tiff && c.format != ExportFormat::Pdf)
        return usageError(err, "split", "--documents writes multi-page documents: --format tiff or pdf");
    DocumentsRequest request{source, *folder};
    request.pdf = c.format == ExportFormat::Pdf;
    request.lossless = c.lossless;
    request.pdfDpi = c.dpi;
    if (std::string why; !documentCut(*a.option("--documents"), source, request, why)) return usageError(err, "split", why);
    if (std::string why; !makeOutputFolder(*folder, why))
        return usageError(err, "split", "cannot make the folder " + quotedName(*folder) + ": " + why);
    TerminalProgress progress(err);
    TerminalMessages messages(err);
    NoEvents pump;
    JobContext context{progress, messages, pump, &jobCancel()};
    const DocumentsResult result = SplitIntoDocuments(request, context);
    if (a.flag("--json")) printDocumentsReport(out, source, result, closingMessage(messages));
    else
        for (const std::string& file : result.written) out << file << "\n";
    for (const uint32_t page : result.separators)
        err << quotedName(source) << ": page " << (page + 1) << " is blank and separates two documents\n";
    const bool allWritten = std::all_of(result.documents.begin(), result.documents.end(),
                                        [](const ComposeResult& d) { return d.written && d.skipped.empty(); });
    const int status = result.written.empty() ? kNothingWritten : allWritten ? kAllWritten : kSomeFailed;
    return unlessInterrupted(result.cancelled, status);
}

}  // namespace

int runSplit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = parse(args, {"--out", "--format", "--percent", "--page", "--to", "--pages", "--quality", "--dpi", "--rotate",
                                     "--documents", "--ocr-lang", "--text"},
                              {"--keep-class", "--pad", "--json", "--lossless", "--verbose", "--drop-blank", "--ocr",
                               "--ocr=redo", "--auto-rotate"});
    if (!a.error.empty()) return usageError(err, "split", a.error);
    if ((a.option("--page") || a.option("--documents")) &&
        (ocrAsked(a) || a.flag("--auto-rotate") || a.option("--ocr-lang") || a.option("--text")))
        return usageError(err, "split", "--ocr makes each page of a split into a searchable PDF: not with --page or --documents");
    if (a.operands.size() != 1) return usageError(err, "split", "name exactly one source TIFF");
    std::string why;
    // Documents are TIFF unless asked to be PDF.
    Arguments asked = a;
    if (a.option("--documents") && !a.option("--format")) asked.options.emplace_back("--format", "tiff");
    const std::optional<SplitChoices> choices = splitChoices(asked, why);
    if (!choices) return usageError(err, "split", why);
    if (a.option("--documents")) return splitDocuments(a, a.operands[0], *choices, out, err);
    return a.option("--page") ? splitOnePage(a, a.operands[0], *choices, out, err)
                              : splitEveryPage(a, a.operands[0], *choices, out, err);
}

int runMerge(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = parse(args, {"--out", "--from-list", "--compression", "--to", "--dpi", "--rotate", "--ocr-lang", "--text"},
                              {"--all-pages", "--json", "--null", "--bigtiff", "--lossless", "--verbose", "--collate",
                               "--drop-blank", "--ocr", "--ocr=redo", "--auto-rotate"});
    if (!a.error.empty()) return usageError(err, "merge", a.error);
    std::string why;
    const std::optional<ComposeRequest> request = mergeRequest(a, why);
    if (!request) return usageError(err, "merge", why);
    TerminalProgress progress(err);
    TerminalMessages messages(err);
    NoEvents pump;
    JobContext context{progress, messages, pump, &jobCancel()};
    const ComposeResult result = ComposeTiff(*request, context);
    const std::string& output = request->outputPath;
    printBlankPagesDropped(err, result);
    if (a.flag("--json")) printMergeReport(out, output, result, closingMessage(messages));
    if (a.flag("--verbose")) printDecodedPages(err, result);
    printMergeFailures(err, output, result);
    if (!result.written) return unlessInterrupted(result.cancelled, kNothingWritten);
    if (!a.flag("--json")) out << output << ": " << result.pages << (result.pages == 1 ? " page\n" : " pages\n");
    const std::string* textFile = a.option("--text");
    const bool textWritten = !textFile || writeRecognisedText(*textFile, result.pageWords, err);
    return result.skipped.empty() && textWritten ? kAllWritten : kSomeFailed;
}

}  // namespace orvelle::cli
