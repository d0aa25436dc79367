// A file whose pages go into a TIFF or a PDF as they are stored where that can be done
// faithfully (TIFF pages, most JPEG files, the JPEG and G4 pictures of scanned PDFs), and
// are decoded and written losslessly in their own pixel class otherwise.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "../codecs/codec.h"
#include "jpeg_stream.h"
#include "../codecs/pdf/pdf_reader.h"
#include "../codecs/pdf/pdf_writer.h"
#include "tiff_page_source.h"

namespace gdip::codecs {

class CopySource {
public:
    // Opens `path` for an output that is a PDF (`intoPdf`: a PDF's pages then go whole,
    // whatever they hold) or a TIFF; null, with `status` and `reason`, when it is no picture
    // this back end reads.
    static std::unique_ptr<CopySource> open(const std::string& path, bool intoPdf, GpStatus& status, std::string& reason);

    uint32_t pages() const { return m_pages; }
    uint32_t reducedImages() const { return m_tiff ? m_tiff->reducedImages() : 0; }

    // Adds page `index` to `writer`, turned by `quarterTurns` quarters clockwise. `copied`
    // says whether its data went in as stored (a turn then in its tags or its page's
    // /Rotate); when it did not, `note` says why, or how it was turned without loss. On
    // failure `note` says why the page could not be had.
    [[nodiscard]] GpStatus addTo(uint32_t index, int quarterTurns, TiffPageWriter& writer, bool& copied,
                                 std::string& note);
    [[nodiscard]] GpStatus addTo(uint32_t index, int quarterTurns, PdfWriter& writer, bool& copied,
                                 std::string& note);

private:
    // Page `index` as JPEG or G4 data; NotImplemented, with `why`, when it has to be decoded.
    GpStatus storedImage(uint32_t index, StoredImage& image, std::string& why);
    GpStatus decoded(uint32_t index, int quarterTurns, Frame& frame, std::string& note);
    // Page `index` decoded and turned into `writer` (a fax page into a TIFF coded as G4,
    // when `fax`); `note` keeps why it was not added as stored.
    GpStatus addDecoded(uint32_t index, int quarterTurns, Encoder& writer, std::string& note,
                        TiffPageWriter* fax = nullptr);
    // Page `index` with its 16-bit samples into `writer`; NotImplemented when it has none
    // or either side cannot keep them.
    GpStatus addDeep(uint32_t index, int quarterTurns, Encoder& writer, std::string& note);
    // Page `index`, turned by `quarterTurns`, read by bands as it is written, when it is a
    // large page read so; NotImplemented otherwise.
    GpStatus addRows(uint32_t index, int quarterTurns, Encoder& writer, std::string& note);
    // The JPEG stream `jpeg` (of a document's `page`, or the JPEG file) turned in its DCT
    // blocks into `writer`; when its sides are not whole blocks, the stored data goes with
    // its orientation turned through `keepTagged(orientation)`. NotImplemented when the
    // data cannot be turned so.
    GpStatus addTurnedJpeg(const std::string& jpeg, const StoredImage* page, int quarterTurns, TiffPageWriter& writer,
                           bool& copied, std::string& note,
                           const std::function<GpStatus(uint16_t orientation)>& keepTagged);
    GpStatus addTurned(uint32_t index, int quarterTurns, TiffPageWriter& writer, bool& copied, std::string& note);
    // The JPEG file's whole bytes, from the file found when it was opened.
    bool readWholeJpeg(std::string& bytes, std::string& note);
    GpStatus openDecoderOnce(std::string& note);
    // Takes the JPEG file on `fd` as the one page it copies; false, with m_notCopied saying
    // why, when it must be decoded instead.
    bool openJpeg(UniqueFd fd);

    std::string m_path;
    uint32_t m_pages = 0;
    std::unique_ptr<TiffPageSource> m_tiff;
    std::unique_ptr<JpegStream> m_jpeg;
    JpegPageShape m_jpegShape;
    uint64_t m_jpegSize = 0;
    FileIdentity m_jpegIdentity;  // of the file as it was opened
    std::unique_ptr<PdfDocument> m_pdf;
    bool m_pdfPagesWhole = false;  // the output is a PDF: the pages of a PDF go in whole
    std::string m_notCopied;  // why a source that is none of these is decoded
    std::unique_ptr<Decoder> m_decoder;  // opened when a page must be decoded
};

}  // namespace gdip::codecs
