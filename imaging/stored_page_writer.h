// Pages copied into a TIFF or a PDF as they are stored, over the flat interface: a source file and
// the TIFF being written, each owning its handle.
#pragma once

#include <string>

#include "gdipapi.h"

namespace orvelle {

class TGPPageSource : public TGdiplusBase {
public:
    // Pages to copy into an output of `target`'s format: into a PDF, every page of a PDF
    // goes whole.
    explicit TGPPageSource(const std::u16string& path, bool intoPdf = false);
    ~TGPPageSource() override;

    uint32_t pages() const { return m_pages; }
    // Why the file could not be opened, when that is known.
    const std::string& openFailure() const { return m_openFailure; }

    GpPageSource* NativeHandle = nullptr;
    GpStatus LastStatus = Ok;

private:
    uint32_t m_pages = 0;
    std::string m_openFailure;
};

// What became of one page added.
struct CopiedPage {
    GpStatus status = Ok;
    bool copied = false;  // its data as stored; else decoded, or turned, and written losslessly
    std::string note;     // why it was decoded, how it was turned, or why it failed
};

// What the copy writes: a TIFF (BigTIFF from the first page when asked), or a PDF whose
// pages without a resolution get `pdfDpi` (0: the back end's default).
struct CopyTarget {
    bool pdf = false;
    bool bigTiff = false;
    uint32_t pdfDpi = 0;
};

// Whether pages go through the stored-page writer (copied where their data allows, else
// decoded and written losslessly) instead of being decoded and encoded: for a lossless
// output, and for a PDF at the pages' own size, which holds JPEG and G4 data as it is.
// Split and merge both decide by it.
inline bool pagesGoAsStored(bool lossless, bool pdf, int percent = 100) { return lossless || (pdf && percent == 100); }

class TGPStoredPageWriter : public TGdiplusBase {
public:
    TGPStoredPageWriter(const std::u16string& path, const CopyTarget& target);
    ~TGPStoredPageWriter() override;  // drops the file unless it was finished

    // Page `page` of `source`, turned by `quarterTurns` quarters clockwise without loss; into
    // a PDF, with `text` (the words of the page as it is shown) invisibly over its picture.
    CopiedPage addPage(TGPPageSource& source, uint32_t page, int quarterTurns = 0, const PageText* text = nullptr);
    [[nodiscard]] GpStatus finish();
    // After a failed add or finish: why the output could not be written, when the writer
    // knew more than the status says ("the temporary file in /tmp: No space left on
    // device"); empty otherwise.
    std::string failureReason();

    GpStoredPageWriter* NativeHandle = nullptr;
    GpStatus LastStatus = Ok;
};

}  // namespace orvelle
