// Writing an ordered list of pictures into one multi-page TIFF, or one PDF: the first page
// of each source, or every page of each multi-page source.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "imaging/output_formats.h"
#include "imaging/page_texts.h"
#include "jobs/job_reporting.h"

namespace orvelle {

struct ComposeRequest {
    std::vector<std::string> sources;  // in page order
    std::string outputPath;
    bool allPages = false;  // every page of multi-page TIFF and GIF sources
    // What the command line adds; the window leaves them as they are.
    TiffPageCompression compression = TiffPageCompression::Lzw;
    // BigTIFF from the first page; without it, a classic file unless the pages could take
    // the output past 4 GiB, when the composition is written again as BigTIFF.
    bool bigTiff = false;
    // Per source, the pages to take (from 0, in this order, repeats allowed) instead of what
    // `allPages` says; missing or empty entries follow `allPages`.
    std::vector<std::vector<uint32_t>> sourcePages{};
    // Pages as stored, without decoding: TIFF pages with their strips or tiles, JPEG files
    // as JPEG-compressed pages; the rest decoded and written losslessly (deflate).
    bool lossless = false;
    // A PDF instead of a TIFF: pages as stored where the data allows (see CopyTarget), their
    // resolution `pdfDpi` where they have none (0: 96).
    bool pdf = false;
    uint32_t pdfDpi = 0;
    // Quarter turns clockwise of the pages asked for, by their place among them in order
    // (from 0; missing: none): turned without loss where pages go as stored, decoded pages
    // turned before they are written.
    std::vector<int> pageTurns{};
    // Blank pages (see isBlankPage) are left out, each one listed in the result.
    bool dropBlank = false;
    // Into a PDF: the words of each page recognised and laid invisibly over its picture.
    TextRecognition ocr{};
};


// A page left out of the output, and where it came from.
struct DroppedPage {
    std::string path;
    uint32_t page = 0;  // from 0
};

// Takes the blank pages out of what `request` asks for (its turns with them), a source left
// with none out with them; returns them in order. A source that cannot be read stays, for
// the composition to name.
std::vector<DroppedPage> dropBlankPages(ComposeRequest& request);

// A page turned on its way into the output.
struct TurnedPage {
    uint32_t page = 0;  // from 0
    int quarterTurns = 0;  // clockwise, 1 to 3
};

// The sources' pages taken one by one from each in turn (the fronts and backs of a duplex
// scan): every page of each source, or the pages listed for it, become single-page entries
// of `request`. False, with `why`, when the sources do not have the same number of pages.
bool collateSources(ComposeRequest& request, std::string& why);

// Whether `path` names a PDF: its extension, in any letter case.
bool isPdfPath(const std::string& path);

// How a page went into a lossless composition: as stored, or decoded and why.
struct LosslessPage {
    uint32_t page = 0;  // from 0
    bool copied = false;
    std::string decodedBecause;
    std::string leftBehind;  // of a PDF's page copied whole: its document's outlines, form fields
};

struct SourceOutcome {
    std::string path{};
    uint32_t pagesAdded = 0;
    std::vector<uint32_t> failedPages{};  // from 0
    std::vector<std::string> failedReasons{};  // why each of them failed, in the decoder's words
    std::string reason{};               // why the source gave nothing
    std::vector<LosslessPage> losslessPages{};     // of a lossless composition: each page added
    std::string profileLeftBehind{};    // why a page's colour profile did not go with it
    std::string warning{};  // what the decoder read past in a page added, in its words
    std::vector<uint32_t> renderedPages{};  // from 0: a document's pages drawn by its renderer
    bool textLeftOut = false;  // a page's invisible text (an OCR layer) is not in its picture
    std::vector<TurnedPage> turnedPages{};  // in the order they were added
};

struct PageOutOfRange {
    size_t source = 0;  // index into the request's sources
    uint32_t page = 0;  // from 0
    uint32_t pages = 0;  // the source has
};

struct ComposeResult {
    bool written = false;       // the output is complete and in place
    uint32_t pages = 0;         // pages in the output
    // Sources that gave nothing, and "path (第k页)" for single pages that failed.
    std::vector<std::string> skipped;
    std::vector<SourceOutcome> outcomes;  // one per source handled, in order
    bool cancelled = false;  // nothing written, an existing file untouched
    std::string outputFailure;  // why the output could not be written, when that was the fault
    // A page asked for is past the end of its source: nothing was written and nothing said.
    std::optional<PageOutOfRange> pageOutOfRange;
    std::vector<DroppedPage> blankPagesDropped;  // with dropBlank, in order
    std::vector<PageWords> pageWords;  // with text recognition: each page added, in order
};

ComposeResult ComposeTiff(const ComposeRequest& request, JobContext& context);

// What failed, a line each: "output: reason" when the output could not be written, then
// "source: reason" for each source that gave nothing and "source: page k was not added" for
// each page that failed alone; the details of the closing message.
std::vector<std::string> composeFailureLines(const std::string& output, const ComposeResult& result,
                                             NameStyle name = plainName);

// The message listing sources that could not be merged: at most ten paths, then the count.
std::string skippedSourcesMessage(const std::vector<std::string>& skipped, bool pdf = false);

}  // namespace orvelle
