// A stack of pages cut into documents: every N pages, at blank separator sheets, or by given
// ranges; each document one multi-page TIFF or PDF beside the others, as the merge writes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jobs/job_reporting.h"
#include "merge/compose.h"

namespace orvelle {

struct DocumentsRequest {
    std::string sourcePath;
    std::string folder;
    enum class Cut { EveryN, AtBlankPages, Ranges } cut = Cut::EveryN;
    uint32_t every = 1;                        // EveryN: pages in each document
    std::vector<std::vector<uint32_t>> ranges{};  // Ranges: each document's pages, from 0
    bool pdf = false;
    bool lossless = false;  // pages as stored (see ComposeRequest::lossless)
    uint32_t pdfDpi = 0;
};

struct DocumentsResult {
    uint32_t pages = 0;  // in the source
    std::vector<std::string> written;         // the documents, in order
    std::vector<ComposeResult> documents;     // how each went, in order
    std::vector<std::string> files;           // each one's name, written or not
    std::vector<std::vector<uint32_t>> pagesOf;  // each one's pages, from 0
    std::vector<uint32_t> separators;         // AtBlankPages: the blank pages left out, from 0
    std::string sourceFailure;                // why the source could not be read
    bool cancelled = false;
};

// The pages (from 0) of each document of a source of `pageCount` pages whose blank pages
// are `blank` (AtBlankPages only); the blank pages between documents are not in any.
std::vector<std::vector<uint32_t>> documentPages(const DocumentsRequest& request, uint32_t pageCount,
                                                 const std::vector<bool>& blank);

// Writes the documents as folder/stem_1.TIF (.PDF), stem_2.TIF, ... in order.
DocumentsResult SplitIntoDocuments(const DocumentsRequest& request, JobContext& context);

}  // namespace orvelle
