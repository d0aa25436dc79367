#include "job_reports.h"

#include <ostream>

#include "json_text.h"

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
    out << "{\"command\": \"split\", \"source\": " << jsonString(source) << ", \"document_pages\": " << result.pages
        << ", \"cancelled\": " << flag(result.cancelled) << ", \"pages\": [";
    for (size_t i = 0; i < result.outcomes.size(); ++i) {
        const PageOutcome& page = result.outcomes[i];
        out << (i ? ", " : "") << "{\"page\": " << (page.page + 1) << ", ";
        if (!page.file.empty())
            out << "\"file\": " << jsonString(page.file) << "}";
        else
            out << "\"error\": " << jsonString(page.reason) << "}";
    }
    out << "], \"written\": " << result.written.size() << ", \"failed\": " << result.failedPages.size() << ", ";
    printMessage(out, message);
    out << "}\n";
}

void printMergeReport(std::ostream& out, const std::string& output, const ComposeResult& result,
                      const ClosingMessage& message) {
    out << "{\"command\": \"merge\", \"output\": " << jsonString(output) << ", \"written\": " << flag(result.written)
        << ", \"pages\": " << result.pages << ", \"cancelled\": " << flag(result.cancelled) << ", \"sources\": [";
    for (size_t i = 0; i < result.outcomes.size(); ++i) {
        const SourceOutcome& source = result.outcomes[i];
        out << (i ? ", " : "") << "{\"path\": " << jsonString(source.path) << ", \"pages_added\": " << source.pagesAdded
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

}  // namespace orvelle::cli
