#include "pdf_picture.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "../../image_limits.h"
#include "../../orientation.h"
#include "pdf_colour.h"
#include "pdf_content.h"

namespace gdip::codecs::pdf {
namespace {

// The orientation of rows stored as `orientation` says, seen on a page turned clockwise by
// `rotation` degrees (a multiple of 90).
uint16_t turnedBy(uint16_t orientation, int rotation) {
    // Where the stored columns and rows run on the screen (x right, y down), by orientation.
    struct Axes {
        int colX, colY, rowX, rowY;
        bool operator==(const Axes&) const = default;
    };
    static constexpr Axes kAxes[8] = {{1, 0, 0, 1},  {-1, 0, 0, 1},  {-1, 0, 0, -1}, {1, 0, 0, -1},
                                      {0, 1, 1, 0},  {0, 1, -1, 0},  {0, -1, -1, 0}, {0, -1, 1, 0}};
    Axes axes = kAxes[orientation >= 1 && orientation <= 8 ? orientation - 1 : 0];
    for (int turn = 0; turn < rotation / 90 % 4; ++turn) axes = {-axes.colY, axes.colX, -axes.rowY, axes.rowX};
    return static_cast<uint16_t>(std::find(std::begin(kAxes), std::end(kAxes), axes) - std::begin(kAxes) + 1);
}

int pageRotation(QPDFPageObjectHelper& page) {
    Object rotate = page.getAttribute("/Rotate", false);
    if (!rotate.isInteger()) return 0;
    const long long turn = ((rotate.getIntValue() % 360) + 360) % 360;
    return turn % 90 == 0 ? static_cast<int>(turn) : 0;
}

// The page's one picture XObject; NotScanned when its resources hold anything else.
Object onlyPicture(QPDFPageObjectHelper& page) {
    Object resources = page.getAttribute("/Resources", false);
    Object xobjects = resources.isDictionary() ? resources.getKey("/XObject") : Object::newNull();
    if (resources.isDictionary() && resources.hasKey("/Font") && resources.getKey("/Font").isDictionary() &&
        !resources.getKey("/Font").getKeys().empty())
        throw NotScanned("it holds text");
    if (!xobjects.isDictionary() || xobjects.getKeys().size() != 1) throw NotScanned("it does not hold one picture");
    Object image = xobjects.getKey(*xobjects.getKeys().begin());
    if (!image.isStream()) throw NotScanned("it does not hold one picture");
    if (!image.getDict().getKey("/Subtype").isNameAndEquals("/Image")) throw NotScanned("it holds drawings");
    return image;
}

// The picture's coding from its filters: JPEG and fax data only as the one filter.
void readCoding(Object dict, PictureFacts& facts) {
    std::vector<Object> filters = asList(dict.getKey("/Filter"));
    std::vector<Object> parms = asList(dict.getKey("/DecodeParms"));
    for (size_t i = 0; i < filters.size(); ++i) {
        const std::string filter = filters[i].isName() ? filters[i].getName() : "";
        if (filter == "/JBIG2Decode" || filter == "/JPXDecode")
            throw NotScanned("its picture is " + std::string(filter == "/JPXDecode" ? "JPEG 2000" : "JBIG2") + " data");
        if (filter == "/DCTDecode" || filter == "/DCT" || filter == "/CCITTFaxDecode" || filter == "/CCF") {
            if (filters.size() > 1) throw NotScanned("its picture is coded in a way this reader does not take");
            facts.coding = filter == "/DCTDecode" || filter == "/DCT" ? PictureFacts::Coding::Jpeg : PictureFacts::Coding::Fax;
            facts.parms = i < parms.size() ? parms[i] : Object::newNull();
        }
    }
}

// The samples' size, colour space and decode array.
void readSamples(Object dict, PictureFacts& facts) {
    facts.stencil = dict.getKey("/ImageMask").isBool() && dict.getKey("/ImageMask").getBoolValue();
    if (facts.stencil) {
        facts.bits = 1;
        facts.components = 1;
    } else {
        Object bits = dict.getKey("/BitsPerComponent");
        facts.bits = bits.isInteger() ? integerOf(bits, "sample size") : 8;
        if (facts.bits != 1 && facts.bits != 2 && facts.bits != 4 && facts.bits != 8 && facts.bits != 16)
            throw NotScanned("its samples are " + std::to_string(facts.bits) + " bits");
        Object space = dict.getKey("/ColorSpace");
        if (space.isNull() && facts.coding != PictureFacts::Coding::Jpeg) throw NotScanned("its colour space is missing");
        if (!space.isNull()) readColourSpace(space, facts);
    }
    Object decode = dict.getKey("/Decode");
    if (decode.isArray() && decode.getArrayNItems() >= 2 && decode.getArrayItem(0).isNumber() &&
        decode.getArrayItem(1).isNumber()) {
        const double from = decode.getArrayItem(0).getNumericValue(), to = decode.getArrayItem(1).getNumericValue();
        facts.inverted = from > to;
        if (facts.indexed && std::isfinite(from) && std::isfinite(to)) facts.indexFrom = from, facts.indexTo = std::max(to, 0.0);
    }
}

// The picture's resolution from the size of the page it fills (a page may count in units of
// several points); none when the page has no size or it would be absurd.
void readResolution(QPDFPageObjectHelper& page, uint16_t placement, PictureFacts& facts) {
    Object box = page.getMediaBox(false);
    if (!box.isRectangle()) return;
    const auto r = box.getArrayAsRectangle();
    Object userUnit = page.getObjectHandle().getKey("/UserUnit");
    const double unit = userUnit.isNumber() && userUnit.getNumericValue() > 0 ? userUnit.getNumericValue() : 1.0;
    double w = std::fabs(r.urx - r.llx) * unit, h = std::fabs(r.ury - r.lly) * unit;
    // A picture drawn across its rows fills the page's height with its width.
    if (orientationSwapsSides(placement)) std::swap(w, h);
    if (w > 0 && h > 0) {
        facts.dpiX = facts.width * 72.0 / w;
        facts.dpiY = facts.height * 72.0 / h;
        if (facts.dpiX > Limits::kMaxResolutionDpi || facts.dpiY > Limits::kMaxResolutionDpi) facts.dpiX = facts.dpiY = 0;
    }
}

}  // namespace

int integerOf(Object object, const char* what) {
    if (!object.isInteger()) throw NotScanned(std::string("its ") + what + " is missing");
    const long long value = object.getIntValue();
    if (value < 0 || value > int{1 << 30}) throw NotScanned(std::string("its ") + what + " is out of range");
    return static_cast<int>(value);
}

int faxK(Object parms) {
    if (!parms.isDictionary() || !parms.getKey("/K").isInteger()) return 0;
    const long long k = parms.getKey("/K").getIntValue();
    return k < 0 ? -1 : k > 0 ? 1 : 0;
}

bool flag(Object parms, const char* key) {
    return parms.isDictionary() && parms.getKey(key).isBool() && parms.getKey(key).getBoolValue();
}

PictureFacts pictureOf(QPDFPageObjectHelper& page) {
    PictureFacts facts;
    facts.image = onlyPicture(page);
    Object dict = facts.image.getDict();
    const uint16_t placement = placementOfPicture(page);
    facts.width = static_cast<uint32_t>(integerOf(dict.getKey("/Width"), "width"));
    facts.height = static_cast<uint32_t>(integerOf(dict.getKey("/Height"), "height"));
    if (facts.width == 0 || facts.height == 0) throw NotScanned("its picture is empty");
    readCoding(dict, facts);
    readSamples(dict, facts);
    facts.orientation = turnedBy(placement, pageRotation(page));
    readResolution(page, placement, facts);
    return facts;
}

}  // namespace gdip::codecs::pdf
