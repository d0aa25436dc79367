#include "job_reports.h"

#include <cmath>

#include <algorithm>
#include <ostream>

#include "json_text.h"
#include "quoted_name.h"

namespace orvelle::cli {
namespace {

void printMessage(std::ostream& out, const ClosingMessage& message) {
    out << "\"message\": {\"id\": " << jsonString(message.id)
        << ", \"title\": " << jsonString(message.title)
        << ", \"text\": " << jsonString(message.text) << "}";
}

const char* flag(bool value) { return value ? "true" : "false"; }

// How a page went into a lossless output: as stored, or decoded and why.
void printCopy(std::ostream& out, bool copied, const std::string& reason, const std::string& leftOut) {
    out << ", \"copied\": " << flag(copied);
    if (!copied) out << ", \"reason\": " << jsonString(reason);
    if (!leftOut.empty()) out << ", \"left_out\": " << jsonString(leftOut);
}

// Each page's words found, with text recognition: how many, how sure, or why none.
void printRecognisedPages(std::ostream& out, const std::vector<PageWords>& pages) {
    if (pages.empty()) return;
    out << ", \"recognised_pages\": [";
    for (size_t k = 0; k < pages.size(); ++k) {
        const PageWords& page = pages[k];
        out << (k ? ", " : "") << "{" << jsonName("path", page.path) << ", \"page\": " << (page.page + 1)
            << ", \"recognised\": " << flag(page.recognised) << ", \"words\": " << page.words;
        if (page.recognised) out << ", \"confidence\": " << std::lround(page.confidence * 10) / 10.0;
        if (page.uprightTurns != 0) out << ", \"turned_upright\": " << 90 * page.uprightTurns;
        if (!page.note.empty()) out << ", \"note\": " << jsonString(page.note);
        out << "}";
    }
    out << "]";
}

}  // namespace

void printSplitReport(std::ostream& out, const std::string& source, const ExportAllResult& result,
                      const ClosingMessage& message) {
    out << "{\"command\": \"split\", " << jsonName("source", source);
    if (!result.sourceFailure.empty()) out << ", \"error\": " << jsonString(result.sourceFailure);
    out << ", \"document_pages\": " << result.pages << ", \"cancelled\": " << flag(result.cancelled);
    if (!result.blankPagesDropped.empty()) {
        out << ", \"blank_pages_dropped\": [";
        for (size_t k = 0; k < result.blankPagesDropped.size(); ++k)
            out << (k ? ", " : "") << (result.blankPagesDropped[k] + 1);
        out << "]";
    }
    out << ", \"pages\": [";
    for (size_t i = 0; i < result.outcomes.size(); ++i) {
        const PageOutcome& page = result.outcomes[i];
        out << (i ? ", " : "") << "{\"page\": " << (page.page + 1) << ", ";
        if (page.file.empty()) {
            out << "\"error\": " << jsonString(page.reason) << "}";
            continue;
        }
        out << jsonName("file", page.file);
        if (result.lossless) printCopy(out, page.copied, page.decodedBecause, page.leftBehind);
        if (!page.profileLeftBehind.empty()) out << ", \"profile_dropped\": " << jsonString(page.profileLeftBehind);
        if (!page.warning.empty()) out << ", \"warning\": " << jsonString(page.warning);
        if (page.rendered) out << ", \"rendered\": true";
        if (page.textLeftOut) out << ", \"text_left_out\": true";
        if (page.quarterTurns != 0) out << ", \"turn\": " << 90 * page.quarterTurns;
        out << "}";
    }
    out << "], \"written\": " << result.written.size() << ", \"failed\": " << result.failedPages.size();
    printRecognisedPages(out, result.pageWords);
    out << ", ";
    printMessage(out, message);
    out << "}\n";
}

void printMergeReport(std::ostream& out, const std::string& output, const ComposeResult& result,
                      const ClosingMessage& message) {
    out << "{\"command\": \"merge\", " << jsonName("output", output);
    if (!result.outputFailure.empty()) out << ", \"output_error\": " << jsonString(result.outputFailure);
    out << ", \"written\": " << flag(result.written)
        << ", \"pages\": " << result.pages << ", \"cancelled\": " << flag(result.cancelled);
    if (!result.blankPagesDropped.empty()) {
        out << ", \"blank_pages_dropped\": [";
        for (size_t k = 0; k < result.blankPagesDropped.size(); ++k)
            out << (k ? ", " : "") << "{" << jsonName("path", result.blankPagesDropped[k].path)
                << ", \"page\": " << (result.blankPagesDropped[k].page + 1) << "}";
        out << "]";
    }
    out << ", \"sources\": [";
    for (size_t i = 0; i < result.outcomes.size(); ++i) {
        const SourceOutcome& source = result.outcomes[i];
        out << (i ? ", " : "") << "{" << jsonName("path", source.path) << ", \"pages_added\": " << source.pagesAdded
            << ", \"failed_pages\": [";
        for (size_t k = 0; k < source.failedPages.size(); ++k) out << (k ? ", " : "") << (source.failedPages[k] + 1);
        out << "]";
        if (!source.failedReasons.empty()) {
            out << ", \"page_errors\": [";
            for (size_t k = 0; k < source.failedReasons.size() && k < source.failedPages.size(); ++k)
                out << (k ? ", " : "") << "{\"page\": " << (source.failedPages[k] + 1)
                    << ", \"error\": " << jsonString(source.failedReasons[k]) << "}";
            out << "]";
        }
        if (!source.reason.empty()) out << ", \"error\": " << jsonString(source.reason);
        if (!source.profileLeftBehind.empty())
            out << ", \"profile_dropped\": " << jsonString(source.profileLeftBehind);
        if (!source.warning.empty()) out << ", \"warning\": " << jsonString(source.warning);
        if (!source.renderedPages.empty()) {
            out << ", \"rendered_pages\": [";
            for (size_t k = 0; k < source.renderedPages.size(); ++k) out << (k ? ", " : "") << (source.renderedPages[k] + 1);
            out << "]";
        }
        if (source.textLeftOut) out << ", \"text_left_out\": true";
        if (!source.turnedPages.empty()) {
            out << ", \"turned_pages\": [";
            for (size_t k = 0; k < source.turnedPages.size(); ++k)
                out << (k ? ", " : "") << "{\"page\": " << (source.turnedPages[k].page + 1)
                    << ", \"turn\": " << 90 * source.turnedPages[k].quarterTurns << "}";
            out << "]";
        }
        if (!source.losslessPages.empty()) {
            out << ", \"pages\": [";
            for (size_t k = 0; k < source.losslessPages.size(); ++k) {
                out << (k ? ", " : "") << "{\"page\": " << (source.losslessPages[k].page + 1);
                printCopy(out, source.losslessPages[k].copied, source.losslessPages[k].decodedBecause,
                          source.losslessPages[k].leftBehind);
                out << "}";
            }
            out << "]";
        }
        out << "}";
    }
    out << "], \"skipped\": " << result.skipped.size();
    printRecognisedPages(out, result.pageWords);
    out << ", ";
    printMessage(out, message);
    out << "}\n";
}

void printDecodedPages(std::ostream& err, const std::string& source, const ExportAllResult& result) {
    if (!result.lossless) return;
    for (const PageOutcome& page : result.outcomes)
        if (!page.file.empty() && !page.copied)
            err << quotedName(source) << ": page " << (page.page + 1) << " was decoded and written losslessly: "
                << page.decodedBecause << "\n";
}

void printDecodedPages(std::ostream& err, const ComposeResult& result) {
    for (const SourceOutcome& source : result.outcomes)
        for (const LosslessPage& page : source.losslessPages) {
            const bool turned = std::any_of(source.turnedPages.begin(), source.turnedPages.end(),
                                            [&](const TurnedPage& t) { return t.page == page.page; });
            if (turned)
                err << quotedName(source.path) << ": page " << (page.page + 1) << " was turned"
                    << (page.copied ? ", its data copied as stored" : ": " + page.decodedBecause) << "\n";
            else if (!page.copied)
                err << quotedName(source.path) << ": page " << (page.page + 1)
                    << " was decoded and written losslessly: " << page.decodedBecause << "\n";
        }
}

void printSplitFailures(std::ostream& err, const std::string& source, const ExportAllResult& result) {
    for (const std::string& line : splitFailureLines(source, result, quotedName)) err << line << "\n";
}

void printDocumentsReport(std::ostream& out, const std::string& source, const DocumentsResult& result,
                          const ClosingMessage& message) {
    out << "{\"command\": \"split\", " << jsonName("source", source);
    if (!result.sourceFailure.empty()) out << ", \"error\": " << jsonString(result.sourceFailure);
    out << ", \"document_pages\": " << result.pages << ", \"cancelled\": " << flag(result.cancelled)
        << ", \"separators\": [";
    for (size_t k = 0; k < result.separators.size(); ++k) out << (k ? ", " : "") << (result.separators[k] + 1);
    out << "], \"documents\": [";
    for (size_t i = 0; i < result.documents.size(); ++i) {
        const ComposeResult& document = result.documents[i];
        out << (i ? ", " : "") << "{" << jsonName("file", result.files[i]) << ", \"written\": " << flag(document.written)
            << ", \"pages\": [";
        for (size_t k = 0; k < result.pagesOf[i].size(); ++k) out << (k ? ", " : "") << (result.pagesOf[i][k] + 1);
        out << "]";
        if (!document.outcomes.empty()) {
            const SourceOutcome& taken = document.outcomes[0];
            out << ", \"failed_pages\": [";
            for (size_t k = 0; k < taken.failedPages.size(); ++k) out << (k ? ", " : "") << (taken.failedPages[k] + 1);
            out << "]";
        }
        if (!document.outputFailure.empty()) out << ", \"output_error\": " << jsonString(document.outputFailure);
        out << "}";
    }
    out << "], \"written\": [";
    for (size_t i = 0; i < result.written.size(); ++i) out << (i ? ", " : "") << jsonString(result.written[i]);
    out << "], ";
    printMessage(out, message);
    out << "}\n";
}

void printBlankPagesDropped(std::ostream& err, const std::string& source, const ExportAllResult& result) {
    for (const uint32_t page : result.blankPagesDropped)
        err << quotedName(source) << ": page " << (page + 1) << " is blank and was left out\n";
}

void printBlankPagesDropped(std::ostream& err, const ComposeResult& result) {
    for (const DroppedPage& page : result.blankPagesDropped)
        err << quotedName(page.path) << ": page " << (page.page + 1) << " is blank and was left out\n";
}

void printMergeFailures(std::ostream& err, const std::string& output, const ComposeResult& result) {
    for (const std::string& line : composeFailureLines(output, result, quotedName)) err << line << "\n";
}

}  // namespace orvelle::cli
