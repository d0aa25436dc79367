#include "pdf_writer.h"

#include <qpdf/PDFVersion.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <cstring>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "../../channel_order.h"
#include "../../image_limits.h"
#include "../deflate_buffer.h"
#include "../filtered_deflate.h"
#include "../palette_classes.h"
#include "../../copier/fax_pages.h"
#include "pdf_spool.h"
#include "pdf_content.h"
#include "pdf_streams.h"
#include "pdf_text_layer.h"

namespace gdip::codecs {
namespace {

using Object = QPDFObjectHandle;

Object name(const char* text) { return Object::newName(text); }

// A length in points, cut (not rounded) to a ten-thousandth: a reader that renders the page
// at its picture's resolution then gets exactly the picture's pixels, never one more.
Object points(double value) { return Object::newReal(std::floor(value * 10000) / 10000, 4, true); }

// A page's /Rotate, its own or inherited, from 0 to 270.
int rotationOf(QPDFObjectHandle page) {
    QPDFObjectHandle rotate = QPDFPageObjectHelper(page).getAttribute("/Rotate", false);
    const long long degrees = rotate.isInteger() ? rotate.getIntValue() : 0;
    return static_cast<int>(((degrees / 90) % 4 + 4) % 4) * 90;
}

// The /Rotate that shows a page stored with `orientation` upright; -1 for a mirrored one.
int rotationOf(uint16_t orientation) {
    switch (orientation) {
        case 1: return 0;
        case 3: return 180;
        case 6: return 90;
        case 8: return 270;
        default: return orientation < 1 || orientation > 8 ? 0 : -1;
    }
}

// SOURCE_DATE_EPOCH, when it is set to a date: the time reproducible outputs are dated.
std::optional<std::time_t> sourceDateEpoch() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (!epoch || !*epoch) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long seconds = std::strtoll(epoch, &end, 10);
    if (errno != 0 || *end != '\0' || seconds < 0 || seconds > 253402300799LL) return std::nullopt;
    return static_cast<std::time_t>(seconds);
}

// The creation date as PDF writes dates, in UTC: SOURCE_DATE_EPOCH's when it is set, so that
// a build or an archive run twice gives the same bytes, else now.
std::string pdfDate() {
    const std::time_t now = sourceDateEpoch().value_or(std::time(nullptr));
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "D:%Y%m%d%H%M%SZ", &utc);
    return text;
}

class QpdfWriter final : public PdfWriter {
public:
    QpdfWriter(std::FILE* stream, double defaultDpi) : m_stream(stream), m_defaultDpi(defaultDpi) {
        m_pdf.emptyPDF();
    }

    GpStatus addStored(const StoredImage& image) override {
        if (m_finished) return WrongState;
        if (image.width == 0 || image.height == 0 || image.empty()) return InvalidParameter;
        const int rotation = rotationOf(image.meta.orientation);
        if (rotation < 0) return NotImplemented;
        return guarded([&] {
            Object xobject = imageObject(image.width, image.height);
            Object dict = xobject.getDict();
            if (image.coding == StoredImage::Coding::Jpeg) {
                const bool grey = image.components == 1;
                dict.replaceKey("/ColorSpace", colourSpace(image.components, image.meta.iccProfile, grey));
                dict.replaceKey("/BitsPerComponent", Object::newInteger(8));
                if (image.components == 4 && image.invertedCmyk)
                    dict.replaceKey("/Decode", Object::parse("[1 0 1 0 1 0 1 0]"));
                spooled(xobject, image, name("/DCTDecode"), Object::newNull());
            } else {
                faxData(xobject, image);
            }
            addPage(xobject, image.width, image.height,
                    resolution(image.dpiX, image.dpiY, image.meta.aspectX, image.meta.aspectY), rotation);
            return Ok;
        });
    }

    GpStatus addWholePage(const PdfDocument& source, uint32_t index, int quarterTurns, std::string& leftOut) override {
        leftOut.clear();
        const std::optional<PageText> text = std::move(m_nextText);
        m_nextText.reset();
        if (m_finished) return WrongState;
        const std::shared_ptr<QPDF> document = source.document();
        if (!document || index >= source.pages()) return InvalidParameter;
        return guarded([&] {
            try {
                QPDFObjectHandle page = source.pageObject(index);
                if (!page.isPageObject()) {
                    leftOut = "the page cannot be copied: it is no page object";
                    return InvalidParameter;
                }
                // qpdf copies the page with everything it refers to; its streams' data is read
                // from the source when the output is written, so the source stays open till then.
                QPDFPageDocumentHelper(m_pdf).addPage(QPDFPageObjectHelper(page), false);
                // Its /Rotate, inherited or its own, is what the turn adds to. A page added
                // twice is a copy of the first, turn and all: its turn is set, not added.
                const int rotation = (rotationOf(page) + 90 * quarterTurns) % 360;
                QPDFPageObjectHelper added(m_pdf.getAllPages().back());
                if (rotationOf(added.getObjectHandle()) != (rotation + 360) % 360) added.rotatePage((rotation + 360) % 360, false);
                // It is a copy of the page as first added, words and all: it starts as the source's.
                const auto [first, fresh] = m_copiedAs.try_emplace(
                    {document.get(), page.getObjGen()},
                    CopiedAs{added.getObjectHandle().getKey("/Contents"), added.getAttribute("/Resources", false)});
                if (!fresh) {
                    added.getObjectHandle().replaceKey("/Contents", first->second.contents);
                    added.getObjectHandle().replaceKey("/Resources", first->second.resources);
                }
                if (text && !text->words.empty()) addTextOver(added, *text, (rotation + 360) % 360);
            } catch (const QPDFExc& e) {
                leftOut = std::string("the page cannot be copied: ") + e.getMessageDetail();
                return GenericError;
            }
            if (std::find(m_sources.begin(), m_sources.end(), document) == m_sources.end()) m_sources.push_back(document);
            m_version.updateIfGreater(document->getVersionAsPDFVersion());
            leftOut = source.leftBehind();
            ++m_pages;
            return Ok;
        });
    }

    void setNextPageText(PageText text) override { m_nextText = std::move(text); }

    GpStatus addFrame(const Frame& frame) override {
        if (frame.empty()) return InvalidParameter;
        return addPicture(rowsOf(frame), nullptr);
    }

    GpStatus addPageRows(const PictureRows& rows, const std::function<bool()>& intact) override {
        if (!rowsUsable(rows)) return InvalidParameter;
        return addPicture(rows, &intact);
    }

    // A page of the picture whose rows are asked for as its data is written; not added when
    // `intact` then says a row could not be read (GenericError), its data left unreferenced.
    GpStatus addPicture(const PictureRows& rows, const std::function<bool()>* intact) {
        if (m_finished) return WrongState;
        const Frame& frame = *rows.header;
        const Resolution dpi = resolution(frame.dpiX, frame.dpiY, frame.meta.aspectX, frame.meta.aspectY);
        const auto whole = [&] { return !intact || (*intact)(); };
        if (frame.pixelClass == PixelClass::Indexed1) {
            StoredImage fax;
            const GpStatus status = encodeFax(rows, fax);
            if (status == Ok) {
                if (!whole()) return GenericError;
                return guarded([&] {
                    Object xobject = imageObject(frame.width, frame.height);
                    faxData(xobject, fax);
                    addPage(xobject, frame.width, frame.height, dpi, 0);
                    return Ok;
                });
            }
            if (status != NotImplemented) return status;
        }
        return guarded([&] {
            Object xobject = imageObject(frame.width, frame.height);
            const GpStatus status = pixelData(xobject, rows);
            if (status != Ok) return status;
            if (!whole()) return GenericError;
            addPage(xobject, frame.width, frame.height, dpi, 0);
            return Ok;
        });
    }

    // A bilevel page coded as G4 from its rows: the page is held whole for the coder, at a
    // bit a pixel, when its rows are made as they are asked for.
    static GpStatus encodeFax(const PictureRows& rows, StoredImage& fax) {
        if (!rows.made()) return encodeFaxImage(*rows.header, fax);
        const Frame& header = *rows.header;
        Frame held;
        if (const GpStatus status = allocateFrame(held, header.width, header.height, header.pixelClass); status != Ok)
            return status;
        for (uint32_t y = 0; y < header.height; ++y) std::memcpy(held.row(y), rowAt(rows, y), held.stride);
        held.palette = header.palette;
        held.dpiX = header.dpiX;
        held.dpiY = header.dpiY;
        held.meta = header.meta;
        return encodeFaxImage(held, fax);
    }

    // Row `y` of the picture, made in this thread's own room when it must be: valid until
    // this thread asks for another.
    static const uint8_t* rowAt(const PictureRows& rows, uint32_t y) {
        thread_local std::vector<uint8_t> scratch;
        if (rows.made()) scratch.resize(rows.header->stride);
        return rows.row(y, scratch.data());
    }

    GpStatus addDeepFrame(const DeepFrame& frame) override {
        if (m_finished) return WrongState;
        if (frame.samples.empty() || (frame.colours != 1 && frame.colours != 3)) return InvalidParameter;
        const Resolution dpi = resolution(frame.dpiX, frame.dpiY, frame.meta.aspectX, frame.meta.aspectY);
        return guarded([&] {
            Object xobject = imageObject(frame.width, frame.height);
            Object dict = xobject.getDict();
            dict.replaceKey("/ColorSpace", colourSpace(frame.colours, frame.meta.iccProfile, frame.colours == 1));
            GpStatus status = deepData(xobject, frame, 0, frame.colours);
            if (status == Ok && frame.alpha) {
                // The alpha as deep as the colours: a soft mask of 16 bits.
                Object mask = imageObject(frame.width, frame.height);
                mask.getDict().replaceKey("/ColorSpace", name("/DeviceGray"));
                status = deepData(mask, frame, frame.colours, 1);
                if (status == Ok) dict.replaceKey("/SMask", mask);
            }
            if (status == Ok) addPage(xobject, frame.width, frame.height, dpi, 0);
            return status;
        });
    }

    GpStatus finish() override {
        if (m_finished || m_pages == 0) return WrongState;
        m_finished = true;
        return guarded([&] {
            Object info = m_pdf.makeIndirectObject(Object::newDictionary());
            info.replaceKey("/Producer", Object::newString("Orvelle"));
            info.replaceKey("/CreationDate", Object::newString(pdfDate()));
            m_pdf.getTrailer().replaceKey("/Info", info);
            QPDFWriter writer(m_pdf);
            writer.setOutputFile("output", m_stream, false);
            // Deflated streams stay as they are (ours, and the pages copied whole); what another
            // writer stored in text (ASCII85, hexadecimal) or not at all is deflated, losing
            // nothing: qpdf's own way, which a page of text copied whole comes out smaller by.
            writer.setCompressStreams(true);
            writer.setDecodeLevel(qpdf_dl_generalized);
            writer.setRecompressFlate(false);
            writer.setObjectStreamMode(qpdf_o_generate);
            m_version.updateIfGreater(m_userUnits ? PDFVersion(1, 6) : PDFVersion(1, 5));
            writer.setMinimumPDFVersion(m_version);
            // Reproducible outputs take their ID from their content, not from the clock: the
            // same pages give the same file. It costs a digest of the whole file, which an
            // output dated now has no use for.
            if (sourceDateEpoch()) writer.setDeterministicID(true);
            writer.write();
            return std::fflush(m_stream) == 0 && !std::ferror(m_stream) ? Ok : Win32Error;
        });
    }

    std::string failureReason() const override { return m_spool->failure(); }

private:
    struct Resolution {
        double x = 0;
        double y = 0;
    };

    // Dots per inch as stored, else the default one, stretched by a known pixel aspect.
    Resolution resolution(double dpiX, double dpiY, double aspectX, double aspectY) const {
        const auto sensible = [](double dpi) { return dpi > 0 && dpi <= Limits::kMaxResolutionDpi; };
        if (sensible(dpiX) && sensible(dpiY)) return {dpiX, dpiY};
        if (aspectX > 0 && aspectY > 0 && sensible(m_defaultDpi * aspectY / aspectX))
            return {m_defaultDpi, m_defaultDpi * aspectY / aspectX};
        return {m_defaultDpi, m_defaultDpi};
    }

    // Runs `work`, turning what the library throws into a status.
    template <typename Work>
    GpStatus guarded(Work work) {
        try {
            return work();
        } catch (const std::bad_alloc&) {
            return OutOfMemory;
        } catch (const std::exception&) {
            return std::ferror(m_stream) || !m_spool->failure().empty() ? Win32Error : GenericError;
        }
    }

    Object imageObject(uint32_t width, uint32_t height) {
        Object xobject = Object::newStream(&m_pdf);
        Object dict = xobject.getDict();
        dict.replaceKey("/Type", name("/XObject"));
        dict.replaceKey("/Subtype", name("/Image"));
        dict.replaceKey("/Width", Object::newInteger(width));
        dict.replaceKey("/Height", Object::newInteger(height));
        return xobject;
    }

    // A profile that describes pixels of `components` samples as an ICC-based space, else
    // the device space of that many.
    Object colourSpace(uint8_t components, const std::string& profile, bool grey) {
        const char* device = components == 1 ? "/DeviceGray" : components == 4 ? "/DeviceCMYK" : "/DeviceRGB";
        const ProfileSpace space = profileSpace(profile);
        const bool fits = components == 4 ? space == ProfileSpace::Cmyk : profileFits(profile, grey);
        if (!fits) return name(device);
        Object stream = Object::newStream(&m_pdf);
        stream.getDict().replaceKey("/N", Object::newInteger(components));
        stream.getDict().replaceKey("/Alternate", name(device));
        stream.replaceStreamData(deflated(profile), name("/FlateDecode"), Object::newNull());
        return Object::newArray({name("/ICCBased"), stream});
    }

    static std::string deflated(const std::string& bytes) {
        std::vector<uint8_t> out;
        if (deflateBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), Z_BEST_COMPRESSION, out) != Ok)
            throw std::runtime_error("deflate failed");
        return std::string(out.begin(), out.end());
    }

    // A page's text layer, deflated as tightly as zlib can: it is most of what the words add
    // to the file.
    Object textLayerStream(const std::string& content) {
        Object stream = Object::newStream(&m_pdf);
        stream.replaceStreamData(deflated(content), name("/FlateDecode"), Object::newNull());
        return m_pdf.makeIndirectObject(stream);
    }

    // Gives `xobject` the picture's stored data: read from its file when the document is
    // written, or else kept in the spool until then.
    void spooled(Object& xobject, const StoredImage& image, const Object& filter, const Object& parms) {
        if (image.piece)
            m_spool->refer(xobject.getObjGen(), *image.piece);
        else if (!m_spool->append(xobject.getObjGen(), image.bytes().data(), image.bytes().size()))
            throw std::runtime_error("the pictures' data could not be kept in a temporary file");
        xobject.replaceStreamData(m_spool, filter, parms);
    }

    void faxData(Object& xobject, const StoredImage& image) {
        Object dict = xobject.getDict();
        dict.replaceKey("/ColorSpace", name("/DeviceGray"));
        dict.replaceKey("/BitsPerComponent", Object::newInteger(1));
        Object parms = Object::newDictionary();
        parms.replaceKey("/K", Object::newInteger(-1));
        parms.replaceKey("/Columns", Object::newInteger(image.width));
        parms.replaceKey("/Rows", Object::newInteger(image.height));
        if (image.blackIs1) parms.replaceKey("/BlackIs1", Object::newBool(true));
        spooled(xobject, image, name("/CCITTFaxDecode"), parms);
    }

    // Rows of `channels` samples of `bits` (8 or 16, most significant byte first) deflated
    // with the PNG predictor into `xobject`.
    GpStatus filteredData(Object& xobject, uint32_t width, uint32_t height, size_t channels,
                          std::function<void(uint32_t, uint8_t*)> read, int bits = 8) {
        const QPDFObjGen id = xobject.getObjGen();
        const GpStatus status = deflateFilteredRows(
            {width, height, channels * static_cast<size_t>(bits / 8), std::move(read)},
            [&](const uint8_t* bytes, size_t size) { return m_spool->append(id, bytes, size); });
        if (status != Ok) return status;
        Object parms = Object::newDictionary();
        parms.replaceKey("/Predictor", Object::newInteger(15));
        parms.replaceKey("/Colors", Object::newInteger(static_cast<long long>(channels)));
        parms.replaceKey("/BitsPerComponent", Object::newInteger(bits));
        parms.replaceKey("/Columns", Object::newInteger(width));
        xobject.replaceStreamData(m_spool, name("/FlateDecode"), parms);
        return Ok;
    }

    // Samples [first, first + count) of each of a deep frame's pixels, 16 bits each.
    GpStatus deepData(Object& xobject, const DeepFrame& frame, size_t first, size_t count) {
        xobject.getDict().replaceKey("/BitsPerComponent", Object::newInteger(16));
        const size_t channels = frame.channels();
        return filteredData(
            xobject, frame.width, frame.height, count,
            [&frame, first, count, channels](uint32_t y, uint8_t* out) {
                const uint16_t* row = frame.row(y);
                for (uint32_t x = 0; x < frame.width; ++x)
                    for (size_t c = first; c < first + count; ++c, out += 2) {
                        const uint16_t v = row[x * channels + c];
                        out[0] = static_cast<uint8_t>(v >> 8);
                        out[1] = static_cast<uint8_t>(v);
                    }
            },
            16);
    }

    // A decoded page in its class: grey, palette (its transparent entries as a soft mask),
    // RGB, or RGB with its alpha as a soft mask.
    // The palette index of pixel `x` of an indexed frame's `row`.
    static unsigned indexAt(const Frame& frame, const uint8_t* row, uint32_t x) {
        return frame.pixelClass == PixelClass::Indexed1 ? (row[x >> 3] >> (7 - (x & 7))) & 1u : row[x];
    }

    // The frame's pixels as the picture's data, 8 bits a sample; its alpha, where it has any,
    // as the page's soft mask, never flattened.
    GpStatus pixelData(Object& xobject, const PictureRows& rows) {
        const Frame& frame = *rows.header;
        xobject.getDict().replaceKey("/BitsPerComponent", Object::newInteger(8));
        const bool indexed = frame.pixelClass == PixelClass::Indexed1 || frame.pixelClass == PixelClass::Indexed8;
        bool hasAlpha = false;
        const GpStatus status = indexed ? indexedData(xobject, rows, hasAlpha) : colourData(xobject, rows, hasAlpha);
        if (status != Ok || !hasAlpha) return status;
        return alphaMask(xobject, rows);
    }

    // A palette of greys as grey levels (falling ones through a decode array), any other as
    // an indexed colour space.
    GpStatus indexedData(Object& xobject, const PictureRows& rows, bool& hasAlpha) {
        const Frame& frame = *rows.header;
        Object dict = xobject.getDict();
        const unsigned bits = frame.pixelClass == PixelClass::Indexed1 ? 1 : 8;
        const PaletteShape shape = paletteShape(frame.palette, bits);
        hasAlpha = !paletteOpaque(frame.palette);
        if (shape != PaletteShape::Colour && !hasAlpha) {
            dict.replaceKey("/ColorSpace", colourSpace(1, frame.meta.iccProfile, true));
            if (shape == PaletteShape::GreyFalling) dict.replaceKey("/Decode", Object::parse("[1 0]"));
            return filteredData(xobject, frame.width, frame.height, 1, [&](uint32_t y, uint8_t* out) {
                const uint8_t* row = rowAt(rows, y);
                for (uint32_t x = 0; x < frame.width; ++x) out[x] = static_cast<uint8_t>(indexAt(frame, row, x) * (bits == 1 ? 255 : 1));
            });
        }
        if (frame.palette.empty()) return InvalidParameter;
        std::string lookup(3 * frame.palette.size(), '\0');
        for (size_t i = 0; i < frame.palette.size(); ++i) {
            lookup[3 * i] = static_cast<char>(frame.palette[i] >> 16);
            lookup[3 * i + 1] = static_cast<char>(frame.palette[i] >> 8);
            lookup[3 * i + 2] = static_cast<char>(frame.palette[i]);
        }
        dict.replaceKey("/ColorSpace", Object::newArray({name("/Indexed"), colourSpace(3, frame.meta.iccProfile, false),
                                                         Object::newInteger(static_cast<long long>(frame.palette.size() - 1)),
                                                         Object::newString(lookup)}));
        return filteredData(xobject, frame.width, frame.height, 1, [&](uint32_t y, uint8_t* out) {
            const uint8_t* row = rowAt(rows, y);
            for (uint32_t x = 0; x < frame.width; ++x) out[x] = static_cast<uint8_t>(indexAt(frame, row, x));
        });
    }

    // RGB and ARGB pixels as RGB samples.
    GpStatus colourData(Object& xobject, const PictureRows& rows, bool& hasAlpha) {
        const Frame& frame = *rows.header;
        xobject.getDict().replaceKey("/ColorSpace", colourSpace(3, frame.meta.iccProfile, false));
        if (frame.pixelClass == PixelClass::Rgb24)
            return filteredData(xobject, frame.width, frame.height, 3,
                                [&](uint32_t y, uint8_t* out) { swapRedAndBlue(rowAt(rows, y), out, frame.width); });
        for (uint32_t y = 0; y < frame.height && !hasAlpha; ++y) {
            const auto* words = reinterpret_cast<const uint32_t*>(rowAt(rows, y));
            for (uint32_t x = 0; x < frame.width && !hasAlpha; ++x) hasAlpha = (words[x] >> 24) != 255;
        }
        return filteredData(xobject, frame.width, frame.height, 3, [&](uint32_t y, uint8_t* out) {
            const auto* words = reinterpret_cast<const uint32_t*>(rowAt(rows, y));
            for (uint32_t x = 0; x < frame.width; ++x, out += 3) {
                out[0] = static_cast<uint8_t>(words[x] >> 16);
                out[1] = static_cast<uint8_t>(words[x] >> 8);
                out[2] = static_cast<uint8_t>(words[x]);
            }
        });
    }

    GpStatus alphaMask(Object& xobject, const PictureRows& rows) {
        const Frame& frame = *rows.header;
        const bool indexed = frame.pixelClass == PixelClass::Indexed1 || frame.pixelClass == PixelClass::Indexed8;
        Object mask = imageObject(frame.width, frame.height);
        mask.getDict().replaceKey("/ColorSpace", name("/DeviceGray"));
        mask.getDict().replaceKey("/BitsPerComponent", Object::newInteger(8));
        const GpStatus status = filteredData(mask, frame.width, frame.height, 1, [&](uint32_t y, uint8_t* out) {
            const uint8_t* row = rowAt(rows, y);
            const auto* words = reinterpret_cast<const uint32_t*>(row);
            for (uint32_t x = 0; x < frame.width; ++x)
                out[x] = static_cast<uint8_t>((indexed ? frame.palette[indexAt(frame, row, x)] : words[x]) >> 24);
        });
        if (status == Ok) xobject.getDict().replaceKey("/SMask", mask);
        return status;
    }

    void addPage(const Object& xobject, uint32_t width, uint32_t height, Resolution dpi, int rotation) {
        // Readers take pages of at most 14,400 units a side; a larger page counts in units of
        // several points (/UserUnit, PDF 1.6), a whole number of them.
        constexpr double kMaxUnits = 14400;
        double w = width * 72.0 / dpi.x, h = height * 72.0 / dpi.y;
        const double unit = std::ceil(std::max(w, h) / kMaxUnits);
        if (unit > 1) w /= unit, h /= unit;
        const std::string size = points(w).unparse() + " 0 0 " + points(h).unparse();
        Object content = Object::newStream(&m_pdf, "q " + size + " 0 0 cm /Im0 Do Q\n");
        Object xobjects = Object::newDictionary();
        xobjects.replaceKey("/Im0", xobject);
        Object resources = Object::newDictionary();
        resources.replaceKey("/XObject", xobjects);
        const std::optional<PageText> text = std::move(m_nextText);
        m_nextText.reset();
        if (text && !text->words.empty()) {
            if (!m_textFonts) m_textFonts = textLayerFonts(m_pdf);
            Object fonts = Object::newDictionary();
            fonts.replaceKey("/Tx0", m_textFonts->unicode);
            fonts.replaceKey("/Tx1", m_textFonts->latin);
            resources.replaceKey("/Font", fonts);
            content = Object::newArray(
                {m_pdf.makeIndirectObject(content),
                 textLayerStream(textLayerContent(*text, w, h, rotation, "/Tx0", "/Tx1"))});
        }
        Object page = Object::newDictionary();
        page.replaceKey("/Type", name("/Page"));
        page.replaceKey("/MediaBox", Object::newArray({Object::newInteger(0), Object::newInteger(0), points(w), points(h)}));
        page.replaceKey("/Resources", resources);
        page.replaceKey("/Contents", content);
        if (rotation != 0) page.replaceKey("/Rotate", Object::newInteger(rotation));
        if (unit > 1) {
            page.replaceKey("/UserUnit", Object::newInteger(static_cast<long long>(unit)));
            m_userUnits = true;
        }
        QPDFPageDocumentHelper(m_pdf).addPage(QPDFPageObjectHelper(m_pdf.makeIndirectObject(page)), false);
        ++m_pages;
    }

    // The words over a page copied whole, shown turned by `rotation`: its content is kept
    // apart (its drawing state cannot leak into theirs), and the fonts join its resources
    // under names it does not use. They cover its crop box, which is what is drawn of it.
    void addTextOver(QPDFPageObjectHelper& page, const PageText& text, int rotation) {
        if (!m_textFonts) m_textFonts = textLayerFonts(m_pdf);
        Object resources = page.getAttribute("/Resources", false);
        resources = resources.isDictionary() ? resources.shallowCopy() : Object::newDictionary();
        Object fonts = resources.getKey("/Font");
        fonts = fonts.isDictionary() ? fonts.shallowCopy() : Object::newDictionary();
        const auto unused = [&](std::string name) {
            for (int k = 2; fonts.hasKey(name); ++k) name = name.substr(0, name.find_last_not_of("0123456789") + 1) + std::to_string(k);
            return name;
        };
        const std::string unicode = unused("/OrvelleText"), latin = unused("/OrvelleLatinText");
        fonts.replaceKey(unicode, m_textFonts->unicode);
        fonts.replaceKey(latin, m_textFonts->latin);
        resources.replaceKey("/Font", fonts);
        const auto box = page.getCropBox(false, false).getArrayAsRectangle();
        const double left = std::min(box.llx, box.urx), bottom = std::min(box.lly, box.ury);
        const double width = std::fabs(box.urx - box.llx), height = std::fabs(box.ury - box.lly);
        std::vector<Object> contents{m_pdf.makeIndirectObject(Object::newStream(&m_pdf, "q\n"))};
        // The words it has that no one sees, an earlier recogniser's, make way for these; a
        // content too large to be read is kept as it is.
        std::optional<std::string> cleared;
        std::set<std::string> formsLeftOut;
        try {
            if (pdf::textOf(page) == FrameText::Invisible) cleared = pdf::withoutUnseenText(page, formsLeftOut);
        } catch (const pdf::ContentTooLarge&) {
        }
        // The forms that held those words are no longer the page's, nor written for it.
        if (Object xobjects = resources.getKey("/XObject"); cleared && !formsLeftOut.empty() && xobjects.isDictionary()) {
            xobjects = xobjects.shallowCopy();
            for (const std::string& name : formsLeftOut) xobjects.removeKey(name);
            resources.replaceKey("/XObject", xobjects);
        }
        if (cleared)
            contents.push_back(m_pdf.makeIndirectObject(Object::newStream(&m_pdf, *cleared)));
        else
            for (Object stream : pdf::asList(page.getObjectHandle().getKey("/Contents")))
                if (stream.isStream()) contents.push_back(stream);
        contents.push_back(textLayerStream("Q\nq 1 0 0 1 " + points(left).unparse() + " " + points(bottom).unparse() +
                                           " cm\n" + textLayerContent(text, width, height, rotation, unicode, latin) +
                                           "Q\n"));
        page.getObjectHandle().replaceKey("/Contents", Object::newArray(contents));
        page.getObjectHandle().replaceKey("/Resources", resources);
    }

    QPDF m_pdf;
    std::optional<PageText> m_nextText;  // for the next page added
    // What each page copied whole came with, by its document and object: a page added again
    // is a copy of it as first added.
    struct CopiedAs {
        Object contents, resources;
    };
    std::map<std::pair<const QPDF*, QPDFObjGen>, CopiedAs> m_copiedAs;
    std::optional<TextLayerFonts> m_textFonts;  // the text layers' fonts, made with the first
    // The documents whole pages were copied from: their data is read when the output is.
    std::vector<std::shared_ptr<QPDF>> m_sources;
    PDFVersion m_version;  // the highest any page needs
    std::shared_ptr<PdfSpool> m_spool = std::make_shared<PdfSpool>();
    std::FILE* m_stream;
    double m_defaultDpi;
    bool m_finished = false;
    bool m_userUnits = false;  // a page counts in units larger than a point
    size_t m_pages = 0;
};

}  // namespace

std::unique_ptr<PdfWriter> createPdfWriter(std::FILE* stream, double defaultDpi, GpStatus& status) {
    try {
        status = Ok;
        return std::make_unique<QpdfWriter>(stream, defaultDpi > 0 ? defaultDpi : 96.0);
    } catch (const std::bad_alloc&) {
        status = OutOfMemory;
    } catch (const std::exception&) {
        status = GenericError;
    }
    return nullptr;
}

}  // namespace gdip::codecs
