// Writing pages of a TIFF out as single pictures: every page into a folder, or one page
// into a named file, each scaled by a whole-number percentage.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/gdipobj.h"
#include "imaging/stored_page_writer.h"
#include "imaging/output_formats.h"
#include "imaging/page_texts.h"
#include "jobs/job_reporting.h"

namespace orvelle {

constexpr int kMinPercent = 1;
constexpr int kMaxPercent = 1000;

// A side scaled by `percent` (read clamped to 1..1000), rounded half to even, at least 1.
int32_t scaledSide(uint32_t side, int32_t percent);

// The percentage a user typed: its leading whole number clamped to 1..1000, or `fallback`
// when the text holds no number.
int32_t percentFromText(std::string_view text, int32_t fallback);

// Draws the active frame of `source` at `percent` into a new 24-bit bitmap that carries the
// source's resolution scaled alike, and saves it to `target`. ValueOverflow when the scaled
// page would be over the size limit of one picture.
GpStatus renderPageAtPercent(TGPImage& source, int32_t percent, const std::string& target,
                             const GUID& encoder, const EncoderParameters* parameters);

// Like renderPageAtPercent, except that a bilevel, grey or palette page stays in its class:
// written as decoded at 100 %, else scaled with nearest neighbour in that class.
GpStatus savePageInClass(TGPImage& source, int32_t percent, const std::string& target,
                         const GUID& encoder, const EncoderParameters* parameters);

// The two checks before a run; shows the first that fails and returns false.
bool checkExportInputs(const std::string& sourceText, const std::string& folderText,
                       MessageSink& messages);

struct ExportAllRequest {
    std::string sourcePath;
    std::string folder;
    ExportFormat format = ExportFormat::Jpeg;
    std::function<int()> percent;     // read again for every page
    // What the command line adds; the window leaves them as they are.
    std::vector<uint32_t> pages{};  // from 0, in this order, repeats allowed; empty: every page
    bool keepClass = false;       // see savePageInClass; TIFF pages bilevel as CCITT G4
    int quality = kDefaultQuality;
    bool padNames = false;        // page numbers padded to the digits of the page count
    // Each page into a TIFF as stored, without decoding (at 100 % only; see copyPageAsStored).
    bool lossless = false;
    uint32_t pdfDpi = 0;  // PDF pages without a resolution: their dots per inch (0: 96)
    // Quarter turns clockwise of the pages asked for, by their place among them (missing:
    // none); without loss where pages go as stored.
    std::vector<int> pageTurns{};
    // Blank pages (see isBlankPage) are not written, each one listed in the result.
    bool dropBlank = false;
    // Into PDFs: the words of each page recognised and laid invisibly over its picture.
    TextRecognition ocr{};
};

struct PageOutcome {
    uint32_t page = 0;   // from 0
    std::string file{};    // written to; empty when the page failed
    std::string reason{};  // why it failed
    // Of a page written losslessly: whether as stored, and if not, why it was decoded.
    bool copied = false;
    std::string decodedBecause{};
    std::string leftBehind{};  // of a PDF's page copied whole: its document's outlines, form fields
    std::string profileLeftBehind{};  // why the page's colour profile did not go with it
    std::string warning{};  // what the decoder read past in the page, in its words
    bool rendered = false;     // a document's page drawn by its renderer
    bool textLeftOut = false;  // its invisible text (an OCR layer) is not in the picture
    int quarterTurns = 0;      // clockwise, as it was turned
};

struct ExportAllResult {
    uint32_t pages = 0;  // in the document
    std::vector<PageWords> pageWords;  // with text recognition: each page asked for, in order
    std::vector<std::string> written;
    std::vector<uint32_t> failedPages;  // from 0
    std::vector<PageOutcome> outcomes;  // one per page asked for, in order, until a cancel
    bool cancelled = false;
    std::string sourceFailure;  // why the document could not be opened, when it could not
    bool lossless = false;      // pages were copied as stored (see PageOutcome::copied)
    // A page asked for is past the end: nothing was written and nothing said.
    std::optional<uint32_t> pageOutOfRange;
    std::vector<uint32_t> blankPagesDropped;  // with dropBlank, from 0, in order
};

ExportAllResult ExportAllPages(const ExportAllRequest& request, JobContext& context);

// Page `page` of `source` (open on `sourcePath`) into a new TIFF or PDF `target` as it is
// stored: a TIFF page's strips or tiles and every tag that describes them, JPEG and G4 data
// as a PDF page's picture; when that cannot be done faithfully, it is decoded and written
// losslessly (the outcome says so and why). Into a PDF, `text` (the words of the page as it
// is shown) goes invisibly over its picture.
PageOutcome copyPageAsStored(TGPPageSource& source, const std::string& sourcePath, uint32_t page,
                             const std::string& target, const CopyTarget& kind = {}, int quarterTurns = 0,
                             const PageText* text = nullptr);

// Whether pages go out as stored: asked for, or a PDF at 100 %, which holds JPEG and G4 data
// as it is.
bool copiesAsStored(ExportFormat format, bool lossless, int percent);

// What failed, a line each: "source: reason" when the document could not be opened, else
// "source: page k was not saved: reason" for each page; the details of the closing message.
std::vector<std::string> splitFailureLines(const std::string& source, const ExportAllResult& result,
                                           NameStyle name = plainName);

struct ExportPageRequest {
    std::string sourcePath;
    uint32_t pageIndex = 0;
    std::string targetPath;
    ExportFormat format = ExportFormat::Jpeg;
    int percent = 100;
    int quality = kDefaultQuality;
    bool keepClass = false;
    bool lossless = false;
    uint32_t pdfDpi = 0;
    int quarterTurns = 0;  // clockwise
};

// Writes one page; says nothing on success and "图片保存失败!" or
// "不能覆盖正在分解的TIF文件!" on failure, with the reason in words in `reason` when given.
// A lossless copy's outcome (copied as stored, or decoded and why) goes to `outcome`.
bool ExportPage(const ExportPageRequest& request, MessageSink& messages, std::string* reason = nullptr,
                PageOutcome* outcome = nullptr);

}  // namespace orvelle
