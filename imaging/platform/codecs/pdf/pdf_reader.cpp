#include "pdf_reader.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <new>
#include <vector>

#include "../../image_limits.h"
#include "../codec.h"
#include "../../copier/fax_pages.h"
#include "../jpeg2000.h"
#include "pdf_content.h"
#include "pdf_input.h"
#include "pdf_mask.h"
#include "pdf_picture.h"
#include "pdf_render.h"
#include "pdf_rows.h"

#include <unistd.h>

namespace gdip::codecs {

using pdf::ContentTooLarge;
using pdf::NotScanned;
using pdf::Object;
using pdf::PictureFacts;

namespace {

// What qpdf said it read past or repaired, in its words, a few at most.
std::string wordsOf(const std::vector<QPDFExc>& warnings) {
    constexpr size_t kShown = 3;
    std::string words;
    for (size_t i = 0; i < warnings.size() && i < kShown; ++i)
        words += (words.empty() ? "" : "; ") + warnings[i].getMessageDetail();
    if (warnings.size() > kShown) words += " (and " + std::to_string(warnings.size() - kShown) + " more)";
    return words;
}

std::string tooLargeReason(uint32_t index, const ContentTooLarge& e) {
    return "page " + std::to_string(index + 1) + " cannot be read (" + e.what() + ")";
}

// Why the picture must be decoded rather than copied as stored; empty when it can be copied.
std::string whyDecoded(const PictureFacts& facts) {
    Object dict = facts.image.getDict();
    if (facts.coding == PictureFacts::Coding::Jpx) return "its picture is JPEG 2000 data";
    if (facts.coding == PictureFacts::Coding::Samples || facts.stencil || facts.indexed || !dict.getKey("/SMask").isNull() ||
        !dict.getKey("/Mask").isNull())
        return "its picture is not JPEG or G4 data";
    if (facts.coding == PictureFacts::Coding::Fax && pdf::faxK(facts.parms) >= 0) return "its fax data is not G4";
    // A decode array other than the one the data implies changes the pixels.
    if (facts.inverted && !(facts.coding == PictureFacts::Coding::Jpeg && facts.components == 4))
        return "its picture is drawn inverted";
    return {};
}

constexpr const char* kNoData = "its picture's data is missing or too large";

GpStatus noData(Frame& frame) {
    frame.failure = kNoData;
    return InvalidParameter;
}

GpStatus decodeJpeg2000(const PictureFacts& facts, Frame& frame) {
    std::shared_ptr<const std::string> data = pdf::storedData(facts.image);
    if (!data) return noData(frame);
    return codecs::decodeJpeg2000(reinterpret_cast<const uint8_t*>(data->data()), data->size(), frame);
}

GpStatus decodeJpeg(const PictureFacts& facts, Frame& frame) {
    std::shared_ptr<const std::string> data = pdf::jpegData(facts.image);
    if (!data) return noData(frame);
    GpStatus status = Ok;
    std::string reason;
    std::unique_ptr<Decoder> jpeg =
        openDecoderOfBytes(reinterpret_cast<const uint8_t*>(data->data()), data->size(), status, reason);
    if (!jpeg) {
        frame.failure = reason.empty() ? "its JPEG data cannot be read" : reason;
        return status;
    }
    if ((status = jpeg->readFrameAsStored(0, frame)) != Ok) return status;
    frame.meta.orientation = 1;  // a PDF draws the stored rows, whatever EXIF says
    // Adobe's inverted CMYK is undone by the decoder, which reads its marker.
    if (facts.inverted && facts.components != 4) pdf::invertColours(frame);
    return Ok;
}

GpStatus decodeFax(const PictureFacts& facts, Frame& frame) {
    StoredImage fax;
    fax.coding = StoredImage::Coding::Fax;
    fax.width = facts.width;
    fax.height = facts.height;
    if (facts.parms.isDictionary() && facts.parms.getKey("/Columns").isInteger())
        fax.width = static_cast<uint32_t>(pdf::integerOf(facts.parms.getKey("/Columns"), "fax width"));
    if (fax.width != facts.width) {
        frame.failure = "its fax data is not as wide as its picture";
        return InvalidParameter;
    }
    // BlackIs1 and an inverting decode array undo each other.
    fax.blackIs1 = pdf::flag(facts.parms, "/BlackIs1") != facts.inverted;
    fax.data = pdf::storedData(facts.image);
    if (!fax.data) return noData(frame);
    const bool lineEnds = pdf::flag(facts.parms, "/EndOfLine") || startsWithLineEnd(fax.bytes());
    return decodeFaxImage(fax, pdf::faxK(facts.parms), pdf::flag(facts.parms, "/EncodedByteAlign"), lineEnds, frame);
}

// A bilevel frame all white.
bool blank(const Frame& frame) {
    const int white = frame.palette.size() == 2 && (frame.palette[1] & 0xFFFFFF) == 0xFFFFFF ? 1 : 0;
    for (uint32_t y = 0; y < frame.height; ++y)
        for (uint32_t x = 0; x < frame.width; ++x)
            if (((frame.row(y)[x >> 3] >> (7 - (x & 7))) & 1) != white) return false;
    return true;
}

GpStatus decodeSamples(const PictureFacts& facts, Frame& frame) {
    if (const GpStatus status = pdf::prepareFrame(facts, frame); status != Ok) return status;
    pdf::RowSink rows(facts, frame);
    (void)pdf::pipeDecoded(facts.image, rows);
    // A picture with rows missing fails as a damaged strip does: nothing shows the rows that
    // are not there.
    if (rows.rows() < facts.height) {
        frame = Frame{};
        frame.failure = rows.rows() == 0 ? "its picture's data cannot be decoded"
                                         : "the picture's data ends after row " + std::to_string(rows.rows());
        return InvalidParameter;
    }
    return Ok;
}

// Decodes the picture `facts` describes, as its coding says; a mask is one too.
GpStatus decodeCoded(const PictureFacts& facts, Frame& frame) {
    frame = Frame{};
    const PixelClass biggest = facts.components == 1 && !facts.indexed ? PixelClass::Indexed8 : PixelClass::Rgb24;
    if (!frameAllowed(facts.width, facts.height, biggest)) {
        frame.failure = oversizedFrameReason(facts.width, facts.height);
        return InvalidParameter;
    }
    switch (facts.coding) {
        case PictureFacts::Coding::Jpeg: return decodeJpeg(facts, frame);
        case PictureFacts::Coding::Fax: return decodeFax(facts, frame);
        case PictureFacts::Coding::Jpx: return decodeJpeg2000(facts, frame);
        case PictureFacts::Coding::Samples: break;
    }
    return decodeSamples(facts, frame);
}

// Decodes the page's picture with its soft mask as alpha, and its profile.
GpStatus decodePicture(const PictureFacts& facts, Frame& frame) {
    GpStatus status = decodeCoded(facts, frame);
    if (status != Ok) return status;
    Object smask = facts.image.getDict().getKey("/SMask");
    if (smask.isStream()) {
        PictureFacts maskFacts;
        Frame mask;
        if (!pdf::maskFacts(smask, maskFacts)) status = InvalidParameter;
        else status = decodeCoded(maskFacts, mask);
        if (status != Ok) {
            frame = Frame{};
            frame.failure = "its transparency cannot be decoded";
            return status;
        }
        if ((status = pdf::applyMask(frame, mask)) != Ok) return status;
    }
    if (!facts.iccProfile.empty()) frame.meta.iccProfile = facts.iccProfile;
    if (facts.profileLeftOut) frame.warning = "its colour profile cannot be read and is left out";
    return Ok;
}

}  // namespace

struct PdfDocument::State {
    std::shared_ptr<QPDF> shared = QPDF::create();
    QPDF& pdf = *shared;
    std::vector<QPDFPageObjectHelper> pages;
    // Repairs made while the document was opened: said with its first page.
    std::string openWarnings;
    // Draws the pages that are not one picture; it loads the file the first time it does.
    std::unique_ptr<pdf::PageRenderer> renderer;

    // Repairs qpdf made, for a page read: those of opening with the first page.
    std::string warnings(uint32_t index) {
        std::string all;
        for (const std::string& words : {index == 0 ? openWarnings : std::string(), wordsOf(pdf.getWarnings())})
            if (!words.empty()) all += (all.empty() ? "" : "; ") + words;
        return all;
    }
};

PdfDocument::PdfDocument() = default;
PdfDocument::~PdfDocument() = default;

GpStatus PdfDocument::open(UniqueFd fd, std::string& why) {
    try {
        auto state = std::make_unique<State>();
        state->pdf.setSuppressWarnings(true);
        // The renderer reads the file by position through a descriptor of its own.
        state->renderer = std::make_unique<pdf::PageRenderer>(UniqueFd(::dup(fd.get())));
        // Encrypted files that open without a password are read; others throw here.
        state->pdf.processInputSource(pdf::positionedInput(std::move(fd), "PDF file"));
        state->pages = QPDFPageDocumentHelper(state->pdf).getAllPages();
        state->openWarnings = wordsOf(state->pdf.getWarnings());
        if (state->pages.empty()) {
            why = "it has no pages";
            return UnknownImageFormat;
        }
        if (state->pages.size() > Limits::kMaxFrames) {
            why = "it has too many pages";
            return UnknownImageFormat;
        }
        m_pages = static_cast<uint32_t>(state->pages.size());
        m_state = std::move(state);
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    } catch (const QPDFExc& e) {
        why = e.getErrorCode() == qpdf_e_password ? "it is protected by a password"
                                                   : std::string("the PDF cannot be read: ") + e.what();
        return UnknownImageFormat;
    } catch (const std::exception& e) {
        why = std::string("the PDF cannot be read: ") + e.what();
        return UnknownImageFormat;
    }
}

QPDFObjectHandle PdfDocument::pageObject(uint32_t index) const {
    if (!m_state || index >= m_pages) return QPDFObjectHandle();
    pdf::mendJpegPictures(m_state->pages[index]);
    return m_state->pages[index].getObjectHandle();
}

std::shared_ptr<QPDF> PdfDocument::document() const { return m_state ? m_state->shared : nullptr; }

std::string PdfDocument::leftBehind() const {
    if (!m_state) return {};
    try {
        Object root = m_state->pdf.getRoot();
        const bool outlines = root.getKey("/Outlines").isDictionary();
        Object form = root.getKey("/AcroForm");
        const bool fields = form.isDictionary() && form.getKey("/Fields").isArray() && form.getKey("/Fields").getArrayNItems() > 0;
        if (outlines && fields) return "its document's outlines and form fields are left out";
        if (outlines) return "its document's outlines are left out";
        if (fields) return "its document's form fields are left out";
    } catch (const std::exception&) {
    }
    return {};
}

FrameText PdfDocument::textOf(uint32_t index) const {
    if (!m_state || index >= m_pages) return FrameText::None;
    try {
        return pdf::textOf(m_state->pages[index]);
    } catch (const std::exception&) {
        // A page whose content cannot be read is taken for one of pictures: its words are found.
        return FrameText::None;
    }
}

GpStatus PdfDocument::storedImage(uint32_t index, StoredImage& image, std::string& why) {
    if (!m_state || index >= m_pages) return InvalidParameter;
    try {
        const PictureFacts facts = pdf::pictureOf(m_state->pages[index]);
        if (std::string decoded = whyDecoded(facts); !decoded.empty()) {
            why = std::move(decoded);
            return NotImplemented;
        }
        image = StoredImage{};
        image.coding = facts.coding == PictureFacts::Coding::Jpeg ? StoredImage::Coding::Jpeg : StoredImage::Coding::Fax;
        image.width = facts.width;
        image.height = facts.height;
        image.components = static_cast<uint8_t>(facts.components);
        image.invertedCmyk = facts.inverted;
        image.blackIs1 = pdf::flag(facts.parms, "/BlackIs1");
        image.dpiX = facts.dpiX;
        image.dpiY = facts.dpiY;
        image.meta.orientation = facts.orientation;
        image.meta.iccProfile = facts.iccProfile;
        image.data = image.coding == StoredImage::Coding::Jpeg ? pdf::jpegData(facts.image) : pdf::storedData(facts.image);
        if (!image.data) {
            why = kNoData;
            return NotImplemented;
        }
        // What goes with the picture says what did not.
        why = facts.textLeftOut ? "its invisible text is left out" : "";
        return Ok;
    } catch (const NotScanned& e) {
        why = std::string("it is drawn: ") + e.what();
        return NotImplemented;
    } catch (const ContentTooLarge& e) {
        why = tooLargeReason(index, e);
        return UnknownImageFormat;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    } catch (const std::exception& e) {
        why = std::string("the page cannot be read: ") + e.what();
        return GenericError;
    }
}

GpStatus PdfDocument::decodePage(uint32_t index, Frame& frame) {
    frame = Frame{};
    if (!m_state || index >= m_pages) return InvalidParameter;
    try {
        QPDFPageObjectHelper& page = m_state->pages[index];
        const pdf::PageContent content = pdf::contentOf(page);
        PictureFacts facts;
        try {
            facts = pdf::pictureOf(page, content);
        } catch (const pdf::Jbig2Picture&) {
            return renderJbig2Page(index, pdf::largestPictureResolution(page, content), frame);
        } catch (const NotScanned&) {
            // More than one picture, or one this reader does not decode: the renderer draws it.
            return renderPage(index, pdf::largestPictureResolution(page, content), frame);
        }
        const GpStatus status = decodePicture(facts, frame);
        if (status != Ok) {
            std::string failure = std::move(frame.failure);
            frame = Frame{};
            frame.failure = failure.empty() ? "its picture cannot be decoded" : failure;
            return status;
        }
        frame.dpiX = facts.dpiX;
        frame.dpiY = facts.dpiY;
        frame.meta.orientation = facts.orientation;
        frame.textLeftOut = facts.textLeftOut;
        // qpdf's repairs are kept with the page, as libtiff's complaints are: the page was read,
        // but not as the file said it should be.
        const std::string warnings = m_state->warnings(index);
        if (!warnings.empty()) frame.warning += (frame.warning.empty() ? "" : "; ") + warnings;
        return Ok;
    } catch (const ContentTooLarge& e) {
        frame = Frame{};
        frame.failure = tooLargeReason(index, e);
        return UnknownImageFormat;
    } catch (const std::bad_alloc&) {
        frame = Frame{};
        return OutOfMemory;
    } catch (const std::exception& e) {
        frame = Frame{};
        frame.failure = std::string("the page cannot be read: ") + e.what();
        return GenericError;
    }
}

GpStatus PdfDocument::renderJbig2Page(uint32_t index, double pictureDpi, Frame& frame) {
    const GpStatus status = renderPage(index, pictureDpi, frame);
    // The renderer draws a JBIG2 picture it cannot decode as nothing: a blank page then is no
    // page read, but one lost.
    if (status == Ok && frame.pixelClass == PixelClass::Indexed1 && blank(frame)) {
        frame = Frame{};
        frame.failure = "its JBIG2 picture cannot be decoded (it is drawn blank)";
        return InvalidParameter;
    }
    return status;
}

GpStatus PdfDocument::renderPage(uint32_t index, double pictureDpi, Frame& frame) {
    const double dpi = pictureDpi > 0 ? std::min(pictureDpi, 2400.0) : pdf::drawResolution();
    const GpStatus status = m_state->renderer->render(index, dpi, frame);
    if (status != Ok) {
        if (frame.failure.empty()) frame.failure = "the page cannot be drawn";
        return status;
    }
    frame.rendered = true;
    frame.warning = m_state->warnings(index);
    return Ok;
}

}  // namespace gdip::codecs
