#include "pdf_reader.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "../../image_limits.h"
#include "../../orientation.h"
#include "../codec.h"
#include "../tiff/fax_pages.h"

namespace gdip::codecs {
namespace {

using Object = QPDFObjectHandle;

constexpr size_t kMaxContentBytes = 64 * 1024;   // a scanned page draws its picture in a few dozen
constexpr size_t kMaxProfileBytes = size_t{64} << 20;  // far past any real profile
constexpr uint64_t kMaxStoredBytes = Limits::kMaxCodecAllocation;

// Thrown by a bounded sink when a stream gives more than was asked for: an inflating stream
// stops there instead of running on.
struct Enough : std::runtime_error {
    Enough() : std::runtime_error("the stream is longer than its picture") {}
};

// Collects at most `limit` bytes of a stream.
class BoundedSink final : public Pipeline {
public:
    BoundedSink(std::string& out, size_t limit) : Pipeline("bounded", nullptr), m_out(out), m_limit(limit) {}
    void write(unsigned char const* data, size_t len) override {
        const size_t room = m_limit - m_out.size();
        m_out.append(reinterpret_cast<const char*>(data), std::min(len, room));
        if (len > room) throw Enough();
    }
    void finish() override {}

private:
    std::string& m_out;
    size_t m_limit;
};

// Pipes a stream's data decoded by its general-purpose filters (deflate, LZW, run length,
// ASCII) into `sink`. False when they cannot all be undone, or the sink stopped taking.
bool pipeDecoded(Object stream, Pipeline& sink) {
    bool attempted = false;
    try {
        const bool ok = stream.pipeStreamData(&sink, &attempted, 0, qpdf_dl_generalized, true, false);
        return ok && attempted;
    } catch (const Enough&) {
        return false;
    }
}

// The same data, at most `limit` bytes of it. False when the filters cannot all be undone.
bool decodedData(Object stream, size_t limit, std::string& out) {
    out.clear();
    BoundedSink sink(out, limit);
    return pipeDecoded(stream, sink) || out.size() == limit;
}

std::vector<Object> asList(Object object) {
    if (object.isArray()) return object.getArrayAsVector();
    if (object.isNull()) return {};
    return {object};
}

// How a page's picture is coded and what its samples mean.
struct PictureFacts {
    mutable Object image;  // the library's handles change as they resolve
    uint32_t width = 0;
    uint32_t height = 0;
    int bits = 8;
    enum class Coding { Samples, Jpeg, Fax } coding = Coding::Samples;
    mutable Object parms;  // of the fax or JPEG filter
    int components = 1; // of the colour space (1 for a palette)
    bool indexed = false;
    bool inverted = false;  // /Decode [1 0 ...]
    double indexFrom = 0, indexTo = -1;  // a palette's /Decode [from to]; to < 0 when absent
    bool stencil = false;
    std::vector<ARGB> palette;
    std::string iccProfile;
    bool profileLeftOut = false;  // a profile too large or damaged to be read
    uint16_t orientation = 1;  // how its rows are seen: the picture's placement, then the page's /Rotate
    double dpiX = 0;
    double dpiY = 0;
};

// Ends a scan with the reason a page or a picture is not what we read.
struct NotScanned : std::runtime_error {
    using std::runtime_error::runtime_error;
};

int integerOf(Object object, const char* what) {
    if (!object.isInteger()) throw NotScanned(std::string("its ") + what + " is missing");
    const long long value = object.getIntValue();
    if (value < 0 || value > int{1 << 30}) throw NotScanned(std::string("its ") + what + " is out of range");
    return static_cast<int>(value);
}

ARGB argb(unsigned r, unsigned g, unsigned b) { return 0xFF000000u | (r << 16) | (g << 8) | b; }

// CMYK without a profile, as most readers show it.
ARGB fromCmyk(unsigned c, unsigned m, unsigned y, unsigned k) {
    return argb((255 - c) * (255 - k) / 255, (255 - m) * (255 - k) / 255, (255 - y) * (255 - k) / 255);
}

// The number of samples of a device or ICC-based colour space; its profile into `profile`,
// or `profileLeftOut` set when the profile could not be had.
int componentsOf(Object space, std::string& profile, bool& profileLeftOut) {
    if (space.isName()) {
        const std::string name = space.getName();
        if (name == "/DeviceGray" || name == "/G" || name == "/CalGray") return 1;
        if (name == "/DeviceRGB" || name == "/RGB" || name == "/CalRGB") return 3;
        if (name == "/DeviceCMYK" || name == "/CMYK") return 4;
        throw NotScanned("its colour space " + name + " is not one this reader takes");
    }
    if (space.isArray() && space.getArrayNItems() >= 1 && space.getArrayItem(0).isName()) {
        const std::string family = space.getArrayItem(0).getName();
        if (family == "/CalGray") return 1;
        if (family == "/CalRGB") return 3;
        if (family == "/ICCBased" && space.getArrayNItems() == 2 && space.getArrayItem(1).isStream()) {
            Object stream = space.getArrayItem(1);
            const int n = integerOf(stream.getDict().getKey("/N"), "profile's number of components");
            if (n != 1 && n != 3 && n != 4) throw NotScanned("its colour profile has " + std::to_string(n) + " components");
            std::string bytes;
            if (decodedData(stream, kMaxProfileBytes, bytes) && bytes.size() < kMaxProfileBytes) profile = bytes;
            else profileLeftOut = true;
            return n;
        }
        throw NotScanned("its colour space " + family + " is not one this reader takes");
    }
    throw NotScanned("its colour space is not one this reader takes");
}

void readColourSpace(Object space, PictureFacts& facts) {
    if (space.isArray() && space.getArrayNItems() == 4 && space.getArrayItem(0).isName() &&
        (space.getArrayItem(0).getName() == "/Indexed" || space.getArrayItem(0).getName() == "/I")) {
        std::string profile;
        const int base = componentsOf(space.getArrayItem(1), profile, facts.profileLeftOut);
        const int high = integerOf(space.getArrayItem(2), "palette size");
        if (high > 255) throw NotScanned("its palette is too large");
        Object lookup = space.getArrayItem(3);
        std::string table;
        if (lookup.isString()) table = lookup.getStringValue();
        else if (lookup.isStream()) (void)decodedData(lookup, size_t(256) * 4, table);
        if (table.size() < size_t(high + 1) * base) throw NotScanned("its palette is incomplete");
        const auto* t = reinterpret_cast<const uint8_t*>(table.data());
        for (int i = 0; i <= high; ++i, t += base) {
            facts.palette.push_back(base == 1   ? argb(t[0], t[0], t[0])
                                    : base == 3 ? argb(t[0], t[1], t[2])
                                                : fromCmyk(t[0], t[1], t[2], t[3]));
        }
        facts.indexed = true;
        facts.components = 1;
        if (base == 3) facts.iccProfile = profile;
        return;
    }
    facts.components = componentsOf(space, facts.iccProfile, facts.profileLeftOut);
}

// The linear part of a transformation matrix [a b c d] (its translation does not turn).
struct Linear {
    double a = 1, b = 0, c = 0, d = 1;
    // This matrix applied after `first`, as PDF's "cm" concatenates.
    Linear after(const Linear& first) const {
        return {first.a * a + first.b * c, first.a * b + first.b * d, first.c * a + first.d * c, first.c * b + first.d * d};
    }
};

// How a picture drawn with `m` lies on the page, as TIFF's orientation numbers it (where its
// first row and first column are seen): the eight axis-aligned placements; any other matrix
// (a slant, a picture of no extent) is no plain scan.
uint16_t placementOf(const Linear& m) {
    const double scale = std::max({std::fabs(m.a), std::fabs(m.b), std::fabs(m.c), std::fabs(m.d)});
    const auto zero = [&](double v) { return std::fabs(v) <= scale * 1e-6; };
    if (scale > 0 && zero(m.b) && zero(m.c) && !zero(m.a) && !zero(m.d)) {
        // Rows run across the page: mirrored left to right when a < 0, upside down when d < 0.
        if (m.a > 0) return m.d > 0 ? 1 : 4;
        return m.d > 0 ? 2 : 3;
    }
    if (scale > 0 && zero(m.a) && zero(m.d) && !zero(m.b) && !zero(m.c)) {
        // Rows run up or down the page: the first row on the left when c < 0, the first
        // column at the top when b < 0.
        if (m.c < 0) return m.b < 0 ? 5 : 8;
        return m.b < 0 ? 6 : 7;
    }
    throw NotScanned("its picture is drawn at a slant");
}

// The page's only drawing: its content may save and restore the state, set the matrix and
// draw one picture, nothing else. Returns how the picture lies on the page.
uint16_t checkContent(QPDFPageObjectHelper& page) {
    // Each content stream is piped on its own into one bounded sink: qpdf's own joining of
    // a page's streams holds each whole first, which for a stream that inflates to hundreds
    // of megabytes is that much memory before a byte is looked at.
    std::string content;
    BoundedSink sink(content, kMaxContentBytes);
    for (Object stream : asList(page.getObjectHandle().getKey("/Contents"))) {
        if (!stream.isStream()) continue;
        // A stream that cannot all be undone gives what it could, as a reader draws it.
        (void)pipeDecoded(stream, sink);
        if (content.size() == kMaxContentBytes) throw NotScanned("it draws more than one picture");
        sink.write(reinterpret_cast<const unsigned char*>("\n"), 1);  // streams join as separate tokens
    }
    int draws = 0;
    Linear matrix, drawn;
    std::vector<Linear> saved;
    std::vector<double> numbers;  // the operands before an operator
    for (size_t i = 0; i < content.size();) {
        const unsigned char c = static_cast<unsigned char>(content[i]);
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '%') {
            while (i < content.size() && content[i] != '\n' && content[i] != '\r') ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < content.size() && !std::isspace(static_cast<unsigned char>(content[end])) &&
               !std::strchr("/[]()<>{}%", content[end]))
            ++end;
        const std::string token = content.substr(i, end - i);
        i = end;
        if (std::isdigit(c) || c == '-' || c == '+' || c == '.') {
            numbers.push_back(std::strtod(token.c_str(), nullptr));
            continue;
        }
        if (c == '/') continue;  // the picture's name
        if (token == "Do") {
            ++draws;
            drawn = matrix;
        } else if (token == "q") {
            if (saved.size() > 64) throw NotScanned("it holds drawings");
            saved.push_back(matrix);
        } else if (token == "Q") {
            if (!saved.empty()) matrix = saved.back(), saved.pop_back();
        } else if (token == "cm") {
            if (numbers.size() < 6) throw NotScanned("it holds drawings");
            const double* m = numbers.data() + numbers.size() - 6;
            matrix = matrix.after(Linear{m[0], m[1], m[2], m[3]});
        } else {
            throw NotScanned(token == "BT" || token == "Tj" || token == "TJ" ? "it holds text" : "it holds drawings");
        }
        numbers.clear();
    }
    if (draws != 1) throw NotScanned(draws == 0 ? "it holds no picture" : "it draws more than one picture");
    return placementOf(drawn);
}

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

PictureFacts pictureOf(QPDFPageObjectHelper& page) {
    Object resources = page.getAttribute("/Resources", false);
    Object xobjects = resources.isDictionary() ? resources.getKey("/XObject") : Object::newNull();
    if (resources.isDictionary() && resources.hasKey("/Font") && resources.getKey("/Font").isDictionary() &&
        !resources.getKey("/Font").getKeys().empty())
        throw NotScanned("it holds text");
    if (!xobjects.isDictionary() || xobjects.getKeys().size() != 1) throw NotScanned("it does not hold one picture");
    PictureFacts facts;
    facts.image = xobjects.getKey(*xobjects.getKeys().begin());
    if (!facts.image.isStream()) throw NotScanned("it does not hold one picture");
    Object dict = facts.image.getDict();
    if (!dict.getKey("/Subtype").isNameAndEquals("/Image")) throw NotScanned("it holds drawings");
    const uint16_t placement = checkContent(page);
    facts.width = static_cast<uint32_t>(integerOf(dict.getKey("/Width"), "width"));
    facts.height = static_cast<uint32_t>(integerOf(dict.getKey("/Height"), "height"));
    if (facts.width == 0 || facts.height == 0) throw NotScanned("its picture is empty");
    std::vector<Object> filters = asList(dict.getKey("/Filter"));
    std::vector<Object> parms = asList(dict.getKey("/DecodeParms"));
    for (size_t i = 0; i < filters.size(); ++i) {
        const std::string filter = filters[i].isName() ? filters[i].getName() : "";
        if (filter == "/JBIG2Decode" || filter == "/JPXDecode")
            throw NotScanned("its picture is " + std::string(filter == "/JPXDecode" ? "JPEG 2000" : "JBIG2") + " data");
        const bool last = i + 1 == filters.size();
        if (filter == "/DCTDecode" || filter == "/DCT" || filter == "/CCITTFaxDecode" || filter == "/CCF") {
            if (!last || filters.size() > 1) throw NotScanned("its picture is coded in a way this reader does not take");
            facts.coding = filter == "/DCTDecode" || filter == "/DCT" ? PictureFacts::Coding::Jpeg : PictureFacts::Coding::Fax;
            facts.parms = i < parms.size() ? parms[i] : Object::newNull();
        }
    }
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
        if (facts.indexed && std::isfinite(from) && std::isfinite(to))
            facts.indexFrom = from, facts.indexTo = std::max(to, 0.0);
    }
    facts.orientation = turnedBy(placement, pageRotation(page));
    Object box = page.getMediaBox(false);
    if (box.isRectangle()) {
        const auto r = box.getArrayAsRectangle();
        // A page may count in units of several points.
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
    return facts;
}

int faxK(Object parms) {
    if (!parms.isDictionary() || !parms.getKey("/K").isInteger()) return 0;
    const long long k = parms.getKey("/K").getIntValue();
    return k < 0 ? -1 : k > 0 ? 1 : 0;
}

bool flag(Object parms, const char* key) {
    return parms.isDictionary() && parms.getKey(key).isBool() && parms.getKey(key).getBoolValue();
}

// One sample of `bits` at sample position `i` of a row.
unsigned sampleAt(const uint8_t* row, size_t i, int bits) {
    switch (bits) {
        case 1: return (row[i >> 3] >> (7 - (i & 7))) & 1u;
        case 2: return (row[i >> 2] >> (6 - 2 * (i & 3))) & 3u;
        case 4: return (row[i >> 1] >> (4 - 4 * (i & 1))) & 15u;
        case 8: return row[i];
        default: return row[2 * i];  // 16 bits: the high byte
    }
}

// The bytes of one row of the picture's samples.
size_t sampleRowBytes(const PictureFacts& facts) {
    return (size_t{facts.width} * facts.components * facts.bits + 7) / 8;
}

// Allocates the frame a picture decoded by the general-purpose filters goes into.
GpStatus prepareFrame(const PictureFacts& facts, Frame& frame) {
    PixelClass pixelClass = PixelClass::Rgb24;
    if (facts.components == 1) pixelClass = facts.bits == 1 ? PixelClass::Indexed1 : PixelClass::Indexed8;
    if (const GpStatus status = allocateFrame(frame, facts.width, facts.height, pixelClass); status != Ok) return status;
    if (facts.indexed) {
        // Each sample's colour as the decode array maps it to an index, clamped to the
        // palette as readers do (a sample past its end is drawn in its last colour).
        const unsigned top = (1u << facts.bits) - 1;
        const bool mapped = facts.indexTo >= 0;
        frame.palette.resize(pixelClass == PixelClass::Indexed1 ? 2 : 256);
        for (unsigned sample = 0; sample < frame.palette.size(); ++sample) {
            const double index = !mapped ? sample : facts.indexFrom + sample * (facts.indexTo - facts.indexFrom) / top;
            const double last = static_cast<double>(facts.palette.size() - 1);
            frame.palette[sample] = facts.palette[static_cast<size_t>(std::clamp(std::round(index), 0.0, last))];
        }
    } else if (facts.components == 1) {
        frame.palette = greyPalette(facts.bits == 1 ? 1 : 8);
        if (facts.bits == 1 && facts.inverted) std::swap(frame.palette[0], frame.palette[1]);
    }
    return Ok;
}

// Row `y` of the frame from its samples `in`.
void convertRow(const PictureFacts& facts, const uint8_t* in, Frame& frame, uint32_t y) {
    const unsigned top = (1u << std::min(facts.bits, 8)) - 1;
    const auto level = [&](unsigned sample) {
        const unsigned value = facts.bits == 16 ? sample : sample * 255 / top;
        return facts.inverted ? 255 - value : value;
    };
    uint8_t* out = frame.row(y);
    if (frame.pixelClass == PixelClass::Indexed1) {
        std::memcpy(out, in, sampleRowBytes(facts));
        return;
    }
    for (uint32_t x = 0; x < facts.width; ++x) {
        const size_t s = size_t{x} * facts.components;
        if (frame.pixelClass == PixelClass::Indexed8) {
            out[x] = static_cast<uint8_t>(facts.indexed ? sampleAt(in, s, facts.bits) : level(sampleAt(in, s, facts.bits)));
            continue;
        }
        unsigned c[4] = {};
        for (int k = 0; k < facts.components; ++k) c[k] = level(sampleAt(in, s + k, facts.bits));
        const ARGB colour = facts.components == 4 ? fromCmyk(c[0], c[1], c[2], c[3]) : argb(c[0], c[1], c[2]);
        out[3 * x] = static_cast<uint8_t>(colour);
        out[3 * x + 1] = static_cast<uint8_t>(colour >> 8);
        out[3 * x + 2] = static_cast<uint8_t>(colour >> 16);
    }
}

// Replaces each colour of `frame` by its negative, as a decode array [1 0 ...] draws it.
void invertColours(Frame& frame) {
    if (!frame.palette.empty()) {
        for (ARGB& colour : frame.palette) colour ^= 0x00FFFFFFu;
        return;
    }
    for (uint32_t y = 0; y < frame.height; ++y) {
        uint8_t* row = frame.row(y);
        if (frame.pixelClass == PixelClass::Argb32) {
            auto* words = reinterpret_cast<uint32_t*>(row);
            for (uint32_t x = 0; x < frame.width; ++x) words[x] ^= 0x00FFFFFFu;
        } else {
            for (size_t i = 0; i < size_t{frame.width} * 3; ++i) row[i] = static_cast<uint8_t>(255 - row[i]);
        }
    }
}

// Takes decoded samples a row at a time into the frame, and stops the stream once the last
// row is in: the picture never takes more memory than its frame.
class RowSink final : public Pipeline {
public:
    RowSink(const PictureFacts& facts, Frame& frame)
        : Pipeline("rows", nullptr), m_facts(facts), m_frame(frame), m_row(sampleRowBytes(facts)) {}
    void write(unsigned char const* data, size_t len) override {
        while (len > 0) {
            if (m_y == m_frame.height) throw Enough();
            const size_t take = std::min(len, m_row.size() - m_filled);
            std::memcpy(m_row.data() + m_filled, data, take);
            m_filled += take;
            data += take;
            len -= take;
            if (m_filled == m_row.size()) {
                convertRow(m_facts, m_row.data(), m_frame, m_y++);
                m_filled = 0;
            }
        }
    }
    void finish() override {}
    uint32_t rows() const { return m_y; }

private:
    const PictureFacts& m_facts;
    Frame& m_frame;
    std::vector<uint8_t> m_row;
    size_t m_filled = 0;
    uint32_t m_y = 0;
};

// Turns `frame` into ARGB with the soft mask's samples as alpha (nearest sample where the
// mask has another size).
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

}  // namespace

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

}  // namespace

struct PdfDocument::State {
    QPDF pdf;
    std::vector<QPDFPageObjectHelper> pages;
    // Repairs made while the document was opened: said with its first page.
    std::string openWarnings;
};

PdfDocument::PdfDocument() = default;
PdfDocument::~PdfDocument() = default;

GpStatus PdfDocument::open(UniqueFd fd, std::string& why) {
    try {
        auto state = std::make_unique<State>();
        state->pdf.setSuppressWarnings(true);
        FilePtr file = streamFromDescriptor(std::move(fd));
        if (!file) return OutOfMemory;
        // Encrypted files that open without a password are read; others throw here.
        state->pdf.processFile("PDF file", file.release(), true);
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
        // A document none of whose pages is a scanned picture is not one we read.
        std::string first;
        bool any = false;
        for (size_t i = 0; i < state->pages.size() && !any; ++i) {
            try {
                (void)pictureOf(state->pages[i]);
                any = true;
            } catch (const NotScanned& e) {
                if (first.empty()) first = "page " + std::to_string(i + 1) + " is not a single scanned image (" + e.what() + ")";
            }
        }
        if (!any) {
            why = state->pages.size() == 1 ? first : "no page is a single scanned image; " + first;
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

GpStatus PdfDocument::storedImage(uint32_t index, StoredImage& image, std::string& why) {
    if (!m_state || index >= m_pages) return InvalidParameter;
    try {
        const PictureFacts facts = pictureOf(m_state->pages[index]);
        Object dict = facts.image.getDict();
        if (facts.coding == PictureFacts::Coding::Samples || facts.stencil || facts.indexed ||
            !dict.getKey("/SMask").isNull() || !dict.getKey("/Mask").isNull()) {
            why = "its picture is not JPEG or G4 data";
            return NotImplemented;
        }
        const int k = facts.coding == PictureFacts::Coding::Fax ? faxK(facts.parms) : -1;
        if (k >= 0) {
            why = "its fax data is not G4";
            return NotImplemented;
        }
        // A decode array other than the one the data implies changes the pixels.
        if (facts.inverted && !(facts.coding == PictureFacts::Coding::Jpeg && facts.components == 4)) {
            why = "its picture is drawn inverted";
            return NotImplemented;
        }
        image = StoredImage{};
        image.coding = facts.coding == PictureFacts::Coding::Jpeg ? StoredImage::Coding::Jpeg : StoredImage::Coding::Fax;
        image.width = facts.width;
        image.height = facts.height;
        image.components = static_cast<uint8_t>(facts.components);
        image.invertedCmyk = facts.inverted;
        image.blackIs1 = flag(facts.parms, "/BlackIs1");
        image.dpiX = facts.dpiX;
        image.dpiY = facts.dpiY;
        image.orientation = facts.orientation;
        image.iccProfile = facts.iccProfile;
        std::shared_ptr<Buffer> raw = facts.image.getRawStreamData();
        if (!raw || raw->getSize() == 0 || raw->getSize() > kMaxStoredBytes) {
            why = "its picture's data is missing or too large";
            return NotImplemented;
        }
        image.data = std::make_shared<const std::string>(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
        return Ok;
    } catch (const NotScanned& e) {
        why = "page " + std::to_string(index + 1) + " is not a single scanned image (" + e.what() + ")";
        return UnknownImageFormat;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    } catch (const std::exception& e) {
        why = std::string("the page cannot be read: ") + e.what();
        return GenericError;
    }
}

namespace {

// Decodes the picture `facts` describes, its soft mask included.
GpStatus decodePicture(const PictureFacts& facts, Frame& frame, int depth);

GpStatus decodeMask(Object image, Frame& mask, int depth) {
    if (depth > 1 || !image.isStream()) return InvalidParameter;
    PictureFacts facts;
    facts.image = image;
    Object dict = image.getDict();
    facts.width = static_cast<uint32_t>(integerOf(dict.getKey("/Width"), "mask width"));
    facts.height = static_cast<uint32_t>(integerOf(dict.getKey("/Height"), "mask height"));
    facts.bits = dict.getKey("/BitsPerComponent").isInteger() ? integerOf(dict.getKey("/BitsPerComponent"), "mask sample size") : 8;
    if (facts.width == 0 || facts.height == 0 || (facts.bits != 1 && facts.bits != 2 && facts.bits != 4 && facts.bits != 8 && facts.bits != 16))
        return InvalidParameter;
    std::vector<Object> filters = asList(dict.getKey("/Filter"));
    for (Object filter : filters)
        if (filter.isName() && (filter.getName() == "/DCTDecode" || filter.getName() == "/CCITTFaxDecode"))
            facts.coding = filter.getName() == "/DCTDecode" ? PictureFacts::Coding::Jpeg : PictureFacts::Coding::Fax;
    if (facts.coding != PictureFacts::Coding::Samples && filters.size() > 1) return InvalidParameter;
    facts.parms = asList(dict.getKey("/DecodeParms")).empty() ? Object::newNull() : asList(dict.getKey("/DecodeParms"))[0];
    return decodePicture(facts, mask, depth + 1);
}

GpStatus decodePicture(const PictureFacts& facts, Frame& frame, int depth) {
    frame = Frame{};
    GpStatus status = Ok;
    const PixelClass biggest = facts.components == 1 && !facts.indexed ? PixelClass::Indexed8 : PixelClass::Rgb24;
    if (!frameAllowed(facts.width, facts.height, biggest)) {
        frame.failure = oversizedFrameReason(facts.width, facts.height);
        return InvalidParameter;
    }
    if (facts.coding == PictureFacts::Coding::Jpeg) {
        std::shared_ptr<Buffer> raw = facts.image.getRawStreamData();
        if (!raw || raw->getSize() == 0 || raw->getSize() > kMaxStoredBytes) {
            frame.failure = "its picture's data is missing or too large";
            return InvalidParameter;
        }
        std::string reason;
        std::unique_ptr<Decoder> jpeg = openDecoderOfBytes(raw->getBuffer(), raw->getSize(), status, reason);
        if (!jpeg) {
            frame.failure = reason.empty() ? "its JPEG data cannot be read" : reason;
            return status;
        }
        if ((status = jpeg->readFrameAsStored(0, frame)) != Ok) return status;
        frame.meta.orientation = 1;  // a PDF draws the stored rows, whatever EXIF says
        // Adobe's inverted CMYK is undone by the decoder, which reads its marker.
        if (facts.inverted && facts.components != 4) invertColours(frame);
    } else if (facts.coding == PictureFacts::Coding::Fax) {
        StoredImage fax;
        fax.coding = StoredImage::Coding::Fax;
        fax.width = facts.width;
        fax.height = facts.height;
        if (facts.parms.isDictionary() && facts.parms.getKey("/Columns").isInteger())
            fax.width = static_cast<uint32_t>(integerOf(facts.parms.getKey("/Columns"), "fax width"));
        if (fax.width != facts.width) {
            frame.failure = "its fax data is not as wide as its picture";
            return InvalidParameter;
        }
        // BlackIs1 and an inverting decode array undo each other.
        fax.blackIs1 = flag(facts.parms, "/BlackIs1") != facts.inverted;
        std::shared_ptr<Buffer> raw = facts.image.getRawStreamData();
        if (!raw || raw->getSize() == 0 || raw->getSize() > kMaxStoredBytes) {
            frame.failure = "its picture's data is missing or too large";
            return InvalidParameter;
        }
        fax.data = std::make_shared<const std::string>(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
        const bool lineEnds = flag(facts.parms, "/EndOfLine") || startsWithLineEnd(fax.bytes());
        if ((status = decodeFaxImage(fax, faxK(facts.parms), flag(facts.parms, "/EncodedByteAlign"), lineEnds, frame)) != Ok)
            return status;
    } else {
        if ((status = prepareFrame(facts, frame)) != Ok) return status;
        RowSink rows(facts, frame);
        (void)pipeDecoded(facts.image, rows);
        // A picture with rows missing fails as a damaged strip does: nothing shows the rows
        // that are not there.
        if (rows.rows() < facts.height) {
            frame = Frame{};
            frame.failure = rows.rows() == 0 ? "its picture's data cannot be decoded"
                                             : "the picture's data ends after row " + std::to_string(rows.rows());
            return InvalidParameter;
        }
    }
    Object smask = facts.image.getDict().getKey("/SMask");
    if (smask.isStream() && depth == 0) {
        Frame mask;
        if ((status = decodeMask(smask, mask, depth)) != Ok) {
            frame = Frame{};
            frame.failure = "its transparency cannot be decoded";
            return status;
        }
        if ((status = applyMask(frame, mask)) != Ok) return status;
    }
    if (facts.iccProfile.size() > 0) frame.meta.iccProfile = facts.iccProfile;
    if (facts.profileLeftOut) frame.warning = "its colour profile cannot be read and is left out";
    return Ok;
}

}  // namespace

GpStatus PdfDocument::decodePage(uint32_t index, Frame& frame) {
    frame = Frame{};
    if (!m_state || index >= m_pages) return InvalidParameter;
    try {
        const PictureFacts facts = pictureOf(m_state->pages[index]);
        const GpStatus status = decodePicture(facts, frame, 0);
        if (status != Ok) {
            std::string failure = std::move(frame.failure);
            frame = Frame{};
            frame.failure = failure.empty() ? "its picture cannot be decoded" : failure;
            return status;
        }
        frame.dpiX = facts.dpiX;
        frame.dpiY = facts.dpiY;
        frame.meta.orientation = facts.orientation;
        // qpdf's repairs are kept with the page, as libtiff's complaints are: the page was read,
        // but not as the file said it should be.
        for (const std::string& words : {index == 0 ? m_state->openWarnings : std::string(),
                                         wordsOf(m_state->pdf.getWarnings())})
            if (!words.empty()) frame.warning += (frame.warning.empty() ? "" : "; ") + words;
        return Ok;
    } catch (const NotScanned& e) {
        frame = Frame{};
        frame.failure = "page " + std::to_string(index + 1) + " is not a single scanned image (" + e.what() + ")";
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

}  // namespace gdip::codecs
