#include "pdf_mask.h"

#include <vector>

namespace gdip::codecs::pdf {

bool maskFacts(Object image, PictureFacts& facts) {
    if (!image.isStream()) return false;
    facts = PictureFacts{};
    facts.image = image;
    Object dict = image.getDict();
    facts.width = static_cast<uint32_t>(integerOf(dict.getKey("/Width"), "mask width"));
    facts.height = static_cast<uint32_t>(integerOf(dict.getKey("/Height"), "mask height"));
    facts.bits = dict.getKey("/BitsPerComponent").isInteger() ? integerOf(dict.getKey("/BitsPerComponent"), "mask sample size") : 8;
    if (facts.width == 0 || facts.height == 0 ||
        (facts.bits != 1 && facts.bits != 2 && facts.bits != 4 && facts.bits != 8 && facts.bits != 16))
        return false;
    std::vector<Object> filters = asList(dict.getKey("/Filter"));
    for (Object filter : filters)
        if (filter.isName() && (filter.getName() == "/DCTDecode" || filter.getName() == "/CCITTFaxDecode"))
            facts.coding = filter.getName() == "/DCTDecode" ? PictureFacts::Coding::Jpeg : PictureFacts::Coding::Fax;
    if (facts.coding != PictureFacts::Coding::Samples && filters.size() > 1) return false;
    std::vector<Object> parms = asList(dict.getKey("/DecodeParms"));
    facts.parms = parms.empty() ? Object::newNull() : parms[0];
    return true;
}

GpStatus applyMask(Frame& frame, const Frame& mask) {
    Frame out;
    if (const GpStatus status = allocateFrame(out, frame.width, frame.height, PixelClass::Argb32); status != Ok) return status;
    std::vector<ARGB> row(frame.width);
    for (uint32_t y = 0; y < frame.height; ++y) {
        readArgbRow(frame, y, 0, frame.width, row.data());
        auto* words = reinterpret_cast<uint32_t*>(out.row(y));
        const uint32_t my = static_cast<uint32_t>(uint64_t{y} * mask.height / frame.height);
        for (uint32_t x = 0; x < frame.width; ++x) {
            const uint32_t mx = static_cast<uint32_t>(uint64_t{x} * mask.width / frame.width);
            const ARGB m = pixelAt(mask, mx, my);
            words[x] = (row[x] & 0x00FFFFFFu) | ((m & 0xFFu) << 24);
        }
    }
    out.dpiX = frame.dpiX;
    out.dpiY = frame.dpiY;
    out.meta = std::move(frame.meta);
    frame = std::move(out);
    return Ok;
}

}  // namespace gdip::codecs::pdf
