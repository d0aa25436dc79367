#include "job_reports.h"

#include <ostream>

#include "json_text.h"
#include "quoted_name.h"

namespace orvelle::cli {
namespace {

void printMessage(std::ostream& out, const ClosingMessage& message) {
    out << "\"message\": {\"title\": " << jsonString(message.title) << ", \"text\": " << jsonString(message.text)
        << "}";
}

const char* flag(bool value) { return value ? "true" : "false"; }

}  // namespace

void printSplitReport(std::ostream& out, const std::string& source, const ExportAllResult& result,
                      const ClosingMessage& message) {
    out << "{\"command\": \"split\", " << jsonName("source", source);
    if (!result.sourceFailure.empty()) out << ", \"error\": " << jsonString(result.sourceFailure);
    out << ", \"document_pages\": " << result.pages
        << ", \"cancelled\": " << flag(result.cancelled) << ", \"pages\": [";
    for (size_t i = 0; i < result.outcomes.size(); ++i) {
        const PageOutcome& page = result.outcomes[i];
        out << (i ? ", " : "") << "{\"page\": " << (page.page + 1) << ", ";
        if (!page.file.empty())
            out << jsonName("file", page.file) << "}";
        else
            out << "\"error\": " << jsonString(page.reason) << "}";
    }
    out << "], \"written\": " << result.written.size() << ", \"failed\": " << result.failedPages.size() << ", ";
    printMessage(out, message);
    out << "}\n";
}

void printMergeReport(std::ostream& out, const std::string& output, const ComposeResult& result,
                      const ClosingMessage& message) {
    out << "{\"command\": \"merge\", " << jsonName("output", output);
    if (!result.outputFailure.empty()) out << ", \"output_error\": " << jsonString(result.outputFailure);
    out << ", \"written\": " << flag(result.written)
        << ", \"pages\": " << result.pages << ", \"cancelled\": " << flag(result.cancelled) << ", \"sources\": [";
    for (size_t i = 0; i < result.outcomes.size(); ++i) {
        const SourceOutcome& source = result.outcomes[i];
        out << (i ? ", " : "") << "{" << jsonName("path", source.path) << ", \"pages_added\": " << source.pagesAdded
            << ", \"failed_pages\": [";
        for (size_t k = 0; k < source.failedPages.size(); ++k) out << (k ? ", " : "") << (source.failedPages[k] + 1);
        out << "]";
        if (!source.reason.empty()) out << ", \"error\": " << jsonString(source.reason);
        out << "}";
    }
    out << "], \"skipped\": " << result.skipped.size() << ", ";
    printMessage(out, message);
    out << "}\n";
}

void printSplitFailures(std::ostream& err, const std::string& source, const ExportAllResult& result) {
    for (const std::string& line : splitFailureLines(source, result, quotedName)) err << line << "\n";
}

void printMergeFailures(std::ostream& err, const std::string& output, const ComposeResult& result) {
    for (const std::string& line : composeFailureLines(output, result, quotedName)) err << line << "\n";
}

}  // namespace orvelle::cli
