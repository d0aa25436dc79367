#include "pdf_picture.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "../../image_limits.h"
#include "../../orientation.h"
#include "pdf_colour.h"
#include "pdf_content.h"
#include "pdf_jpeg.h"

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

// The XObject the page's resources name `name`; null when they name none.
Object xobjectNamed(QPDFPageObjectHelper& page, const std::string& name) {
    Object resources = page.getAttribute("/Resources", false);
    Object xobjects = resources.isDictionary() ? resources.getKey("/XObject") : Object::newNull();
    return xobjects.isDictionary() ? xobjects.getKey(name) : Object::newNull();
}

bool isPicture(Object xobject) {
    return xobject.isStream() && xobject.getDict().getKey("/Subtype").isNameAndEquals("/Image");
}

// The one picture the page draws and nothing else, but perhaps text no one sees.
Object onlyPicture(QPDFPageObjectHelper& page, const PageContent& content) {
    if (!content.more.empty()) throw NotScanned(content.more);
    if (content.drawn.empty()) throw NotScanned("it holds no picture");
    if (content.drawn.size() > 1) throw NotScanned("it draws more than one picture");
    Object image = xobjectNamed(page, content.drawn.front().name);
    if (!image.isStream()) throw NotScanned("it does not hold one picture");
    if (!isPicture(image)) throw NotScanned("it holds drawings");
    return image;
}

// The picture's coding from its filters: JPEG and fax data only as the one filter.
void readCoding(Object dict, PictureFacts& facts) {
    std::vector<Object> filters = asList(dict.getKey("/Filter"));
    std::vector<Object> parms = asList(dict.getKey("/DecodeParms"));
    for (size_t i = 0; i < filters.size(); ++i) {
        const std::string filter = filters[i].isName() ? filters[i].getName() : "";
        if (filter == "/JBIG2Decode") throw Jbig2Picture("its picture is JBIG2 data");
        const bool jpeg = filter == "/DCTDecode" || filter == "/DCT";
        const bool fax = filter == "/CCITTFaxDecode" || filter == "/CCF";
        if (jpeg || fax || filter == "/JPXDecode") {
            if (filters.size() > 1) throw NotScanned("its picture is coded in a way this reader does not take");
            facts.coding = jpeg ? PictureFacts::Coding::Jpeg : fax ? PictureFacts::Coding::Fax : PictureFacts::Coding::Jpx;
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
        // JPEG and JPEG 2000 data say their own colours.
        const bool ownColours = facts.coding == PictureFacts::Coding::Jpeg || facts.coding == PictureFacts::Coding::Jpx;
        if (space.isNull() && !ownColours) throw NotScanned("its colour space is missing");
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

PictureFacts pictureOf(QPDFPageObjectHelper& page) { return pictureOf(page, contentOf(page)); }

PictureFacts pictureOf(QPDFPageObjectHelper& page, const PageContent& content) {
    PictureFacts facts;
    facts.image = onlyPicture(page, content);
    facts.textLeftOut = content.invisibleText;
    Object dict = facts.image.getDict();
    const uint16_t placement = placementOf(content.drawn.front().matrix);
    if (placement == 0) throw NotScanned("its picture is drawn at a slant");
    facts.width = static_cast<uint32_t>(integerOf(dict.getKey("/Width"), "width"));
    facts.height = static_cast<uint32_t>(integerOf(dict.getKey("/Height"), "height"));
    if (facts.width == 0 || facts.height == 0) throw NotScanned("its picture is empty");
    readCoding(dict, facts);
    readSamples(dict, facts);
    facts.orientation = turnedBy(placement, pageRotation(page));
    readResolution(page, placement, facts);
    return facts;
}

std::shared_ptr<const std::string> jpegData(Object image) {
    std::shared_ptr<const std::string> data = storedData(image);
    if (!data) return data;
    std::string mended;
    return mendJoinedJpeg(*data, mended) ? std::make_shared<const std::string>(std::move(mended)) : data;
}

void mendJpegPictures(QPDFPageObjectHelper& page) {
    for (auto& [name, image] : page.getImages()) {
        std::vector<Object> filters = asList(image.getDict().getKey("/Filter"));
        if (filters.size() != 1 || !(filters[0].isNameAndEquals("/DCTDecode") || filters[0].isNameAndEquals("/DCT"))) continue;
        std::shared_ptr<const std::string> data = storedData(image);
        std::string mended;
        if (data && mendJoinedJpeg(*data, mended))
            image.replaceStreamData(mended, image.getDict().getKey("/Filter"), image.getDict().getKey("/DecodeParms"));
    }
}

double largestPictureResolution(QPDFPageObjectHelper& page, const PageContent& content) {
    Object box = page.getMediaBox(false);
    if (!box.isRectangle()) return 0;
    const auto r = box.getArrayAsRectangle();
    const double pageArea = std::fabs(r.urx - r.llx) * std::fabs(r.ury - r.lly);
    double best = 0, bestPixels = 0;
    for (const PageContent::Drawn& drawn : content.drawn) {
        Object image = xobjectNamed(page, drawn.name);
        if (!isPicture(image)) continue;
        Object w = image.getDict().getKey("/Width"), h = image.getDict().getKey("/Height");
        if (!w.isInteger() || !h.isInteger() || w.getIntValue() <= 0 || h.getIntValue() <= 0) continue;
        const Linear& m = drawn.matrix;
        // The drawn picture's sides, in points: the unit square's edges through the matrix.
        const double across = std::hypot(m.a, m.b), down = std::hypot(m.c, m.d);
        const double pixels = double(w.getIntValue()) * double(h.getIntValue());
        if (across <= 0 || down <= 0 || pixels <= bestPixels) continue;
        // A logo or a signature is not what sets a page's resolution: only a picture that
        // covers half the page or more does.
        if (across * down * 2 < pageArea) continue;
        bestPixels = pixels;
        best = std::max(w.getIntValue() * 72.0 / across, h.getIntValue() * 72.0 / down);
    }
    return best;
}

}  // namespace gdip::codecs::pdf
