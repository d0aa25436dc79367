// `--json` reports of split and merge: one JSON object on standard output, for scripts.
#pragma once

#include <iosfwd>
#include <string>

#include "merge/compose.h"
#include "split/documents.h"
#include "split/page_export.h"

namespace orvelle::cli {

// The message the window would have shown at the end of the job.
struct ClosingMessage {
    std::string id;  // "split_done"; what programs go by
    std::string title;
    std::string text;
};

// {"command": "split", "source", "document_pages", "cancelled", "pages": [{"page", "file"} or
//  {"page", "error"}], "written", "failed", "message": {"id", "title", "text"}}; pages from 1. A
// lossless run adds "copied" to each page written, and "reason" where it is false.
void printSplitReport(std::ostream& out, const std::string& source, const ExportAllResult& result,
                      const ClosingMessage& message);

// {"command": "merge", "output", "written", "pages", "cancelled", "sources": [{"path",
//  "pages_added", "failed_pages", "error"?}], "skipped", "message"}; pages from 1. A lossless
// run adds to each source "pages": [{"page", "copied", "reason" where copied is false}].
void printMergeReport(std::ostream& out, const std::string& output, const ComposeResult& result,
                      const ClosingMessage& message);

// What failed, one line each on standard error, "path: reason", after the job's message:
// the document or output at fault, or each page or source that failed.
void printSplitFailures(std::ostream& err, const std::string& source, const ExportAllResult& result);
// Of a lossless run: each page that had to be decoded, and why, one line each.
void printDecodedPages(std::ostream& err, const std::string& source, const ExportAllResult& result);
void printDecodedPages(std::ostream& err, const ComposeResult& result);
// "scan.tif: page 4 is blank and was left out", a line each.
void printBlankPagesDropped(std::ostream& err, const std::string& source, const ExportAllResult& result);
void printBlankPagesDropped(std::ostream& err, const ComposeResult& result);
// split --documents: each document with its file and pages, the separators and the closing message.
void printDocumentsReport(std::ostream& out, const std::string& source, const DocumentsResult& result,
                          const ClosingMessage& message);
void printMergeFailures(std::ostream& err, const std::string& output, const ComposeResult& result);

}  // namespace orvelle::cli
