#include "documents.h"

#include "file_names.h"
#include "imaging/blank_pages.h"
#include "imaging/output_formats.h"
#include "imaging/status_text.h"
#include "imaging/text_path.h"

namespace orvelle {
namespace {

// The closing messages of each document are the run's to say once.
class QuietMessages : public MessageSink {
public:
    void show(const std::string&, const std::string&, MessageIcon) override {}
};

}  // namespace

std::vector<std::vector<uint32_t>> documentPages(const DocumentsRequest& request, uint32_t pageCount,
                                                 const std::vector<bool>& blank) {
    std::vector<std::vector<uint32_t>> documents;
    switch (request.cut) {
        case DocumentsRequest::Cut::EveryN:
            for (uint32_t page = 0; page < pageCount; ++page) {
                if (page % std::max<uint32_t>(request.every, 1) == 0) documents.emplace_back();
                documents.back().push_back(page);
            }
            break;
        case DocumentsRequest::Cut::AtBlankPages: {
            bool open = false;  // a document is being filled: a page since the last separator
            for (uint32_t page = 0; page < pageCount; ++page) {
                if (page < blank.size() && blank[page]) {
                    open = false;
                    continue;
                }
                if (!open) documents.emplace_back();
                open = true;
                documents.back().push_back(page);
            }
            break;
        }
        case DocumentsRequest::Cut::Ranges:
            documents = request.ranges;
            break;
    }
    return documents;
}

DocumentsResult SplitIntoDocuments(const DocumentsRequest& request, JobContext& context) {
    DocumentsResult result;
    {
        TGPImage source(widenPath(request.sourcePath), false);
        result.pages = listPages(source).count;
        if (result.pages == 0) result.sourceFailure = decodeFailureReason(source, source.LastStatus);
    }
    if (result.pages == 0) {
        showError(context.messages, TextId::TiffUnreadable, request.sourcePath + ": " + result.sourceFailure);
        return result;
    }
    std::vector<bool> blank;
    if (request.cut == DocumentsRequest::Cut::AtBlankPages) {
        std::vector<uint32_t> every(result.pages);
        for (uint32_t page = 0; page < result.pages; ++page) every[page] = page;
        blank = blankPages(request.sourcePath, every);
        for (uint32_t page = 0; page < result.pages; ++page)
            if (blank[page]) result.separators.push_back(page);
    }
    const std::vector<std::vector<uint32_t>> documents = documentPages(request, result.pages, blank);
    const std::string extension = request.pdf ? ".PDF" : ".TIF";
    QuietMessages quiet;
    JobContext each{context.progress, quiet, context.pump, context.cancel};
    for (size_t k = 0; k < documents.size(); ++k) {
        if (context.cancelRequested()) {
            result.cancelled = true;
            break;
        }
        // Documents are numbered as pages are: stem_1, stem_2, ...
        ComposeRequest compose{{request.sourcePath},
                               pageOutputName(request.folder, request.sourcePath, static_cast<uint32_t>(k), extension)};
        compose.sourcePages = {documents[k]};
        compose.lossless = request.lossless;
        compose.pdf = request.pdf;
        compose.pdfDpi = request.pdfDpi;
        ComposeResult written = ComposeTiff(compose, each);
        result.files.push_back(compose.outputPath);
        result.pagesOf.push_back(documents[k]);
        if (written.written) result.written.push_back(compose.outputPath);
        result.cancelled = written.cancelled;
        result.documents.push_back(std::move(written));
        if (result.cancelled) break;
    }
    // The documents written stay, each complete; what failed is said page by page.
    size_t failedPages = 0;
    std::vector<std::string> lines;
    for (size_t k = 0; k < result.documents.size(); ++k) {
        const ComposeResult& document = result.documents[k];
        for (const SourceOutcome& outcome : document.outcomes) failedPages += outcome.failedPages.size();
        if (!document.written && !document.cancelled) failedPages += documents[k].size();
        for (const std::string& line : composeFailureLines(result.files[k], document)) lines.push_back(line);
    }
    if (result.cancelled)
        showInformation(context.messages, {TextId::CancelledSaved, static_cast<long long>(result.written.size())});
    else if (failedPages == 0)
        showInformation(context.messages, TextId::SplitDone);
    else if (result.written.empty())
        showError(context.messages, TextId::SplitNothingSaved, joinedLines(lines));
    else
        showError(context.messages, {TextId::SplitSomeFailed, static_cast<long long>(failedPages)}, joinedLines(lines));
    return result;
}

}  // namespace orvelle
