#include "pdf_text_layer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace gdip::codecs {
namespace {

using Object = QPDFObjectHandle;

constexpr int kGlyphWidth = 500;  // of 1000 units to the em

// Big-endian writing of the font's tables.
struct Bytes {
    std::string data;
    void u16(uint32_t v) { data += char(v >> 8), data += char(v); }
    void u32(uint32_t v) { u16(v >> 16), u16(v & 0xffff); }
    void zeros(size_t n) { data.append(n, '\0'); }
};

uint32_t tableSum(const std::string& table) {
    uint32_t sum = 0;
    for (size_t i = 0; i < table.size(); i += 4) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4; ++k) word = word << 8 | (i + k < table.size() ? uint8_t(table[i + k]) : 0u);
        sum += word;
    }
    return sum;
}

// A TrueType font of two blank glyphs (the undefined one and one for every code), each half
// an em wide, its ascent the em and its descent a quarter of it: set as tall as a line's
// letters stand above its baseline, the box a viewer selects is the line's, descenders and
// all.
std::string blankTrueType() {
    Bytes head;
    head.u32(0x00010000), head.u32(0x00010000), head.u32(0) /* checksum adjustment, set below */, head.u32(0x5F0F3CF5);
    head.u16(0x000B), head.u16(1000);
    head.zeros(16);  // created, modified
    head.u16(0), head.u16(0), head.u16(kGlyphWidth), head.u16(1000);  // bounding box
    head.u16(0), head.u16(8), head.u16(2), head.u16(0), head.u16(0);
    Bytes hhea;
    hhea.u32(0x00010000), hhea.u16(1000), hhea.u16(uint16_t(-250)), hhea.u16(0), hhea.u16(kGlyphWidth);
    hhea.u16(0), hhea.u16(0), hhea.u16(kGlyphWidth), hhea.u16(1), hhea.u16(0), hhea.u16(0);
    hhea.zeros(8), hhea.u16(0), hhea.u16(2);
    Bytes hmtx;
    for (int glyph = 0; glyph < 2; ++glyph) hmtx.u16(kGlyphWidth), hmtx.u16(0);
    Bytes maxp;
    maxp.u32(0x00010000), maxp.u16(2), maxp.zeros(8), maxp.u16(2), maxp.zeros(16);
    Bytes loca;
    loca.zeros(6);
    Bytes glyf;
    glyf.zeros(4);
    Bytes post;
    post.u32(0x00030000), post.zeros(8), post.u32(1), post.zeros(16);
    Bytes cmap;  // no character of its own: the document's map gives the glyph
    cmap.u16(0), cmap.u16(1), cmap.u16(3), cmap.u16(1), cmap.u32(12);
    cmap.u16(4), cmap.u16(24), cmap.u16(0), cmap.u16(2), cmap.u16(2), cmap.u16(0), cmap.u16(0);
    cmap.u16(0xFFFF), cmap.u16(0), cmap.u16(0xFFFF), cmap.u16(1), cmap.u16(0);
    const std::vector<std::pair<const char*, std::string*>> tables{
        {"cmap", &cmap.data}, {"glyf", &glyf.data}, {"head", &head.data}, {"hhea", &hhea.data},
        {"hmtx", &hmtx.data}, {"loca", &loca.data}, {"maxp", &maxp.data}, {"post", &post.data}};
    Bytes font;
    font.u32(0x00010000), font.u16(uint32_t(tables.size())), font.u16(128), font.u16(3), font.u16(0);
    uint32_t offset = uint32_t(12 + 16 * tables.size());
    for (const auto& [tag, table] : tables) {
        font.data.append(tag, 4);
        font.u32(tableSum(*table)), font.u32(offset), font.u32(uint32_t(table->size()));
        offset += uint32_t((table->size() + 3) & ~size_t{3});
    }
    size_t headAt = 0;
    for (const auto& [tag, table] : tables) {
        if (std::string(tag) == "head") headAt = font.data.size();
        font.data += *table;
        font.zeros((4 - table->size() % 4) % 4);
    }
    const uint32_t adjustment = 0xB1B0AFBAu - tableSum(font.data);
    for (int k = 0; k < 4; ++k) font.data[headAt + 8 + k] = char(adjustment >> (24 - 8 * k));
    return font.data;
}

// Every code of the BMP to itself, as ranges that stay within one high byte, leaving out
// the surrogates.
std::string toUnicodeCMap() {
    std::vector<std::string> ranges;
    char line[40];
    for (unsigned high = 0; high < 256; ++high) {
        if (high >= 0xD8 && high <= 0xDF) continue;
        std::snprintf(line, sizeof line, "<%02X00> <%02XFF> <%02X00>\n", high, high, high);
        ranges.emplace_back(line);
    }
    std::string cmap =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (size_t first = 0; first < ranges.size(); first += 100) {
        const size_t count = std::min<size_t>(100, ranges.size() - first);
        cmap += std::to_string(count) + " beginbfrange\n";
        for (size_t k = first; k < first + count; ++k) cmap += ranges[k];
        cmap += "endbfrange\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return cmap;
}

// The UTF-16 units of UTF-8 `text`; what lies outside the BMP, or is no UTF-8, becomes
// U+FFFD.
std::vector<uint16_t> utf16Units(const std::string& text) {
    std::vector<uint16_t> units;
    for (size_t i = 0; i < text.size();) {
        const auto c = uint8_t(text[i]);
        const size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) {
            units.push_back(0xFFFD), ++i;
            continue;
        }
        uint32_t code = length == 1 ? c : c & (0x7F >> length);
        bool valid = true;
        for (size_t k = 1; k < length; ++k) {
            const auto next = uint8_t(text[i + k]);
            valid = valid && (next >> 6) == 2;
            code = code << 6 | (next & 0x3F);
        }
        units.push_back(valid && length < 4 && (code < 0xD800 || code > 0xDFFF) ? uint16_t(code) : 0xFFFD);
        i += valid ? length : 1;
    }
    return units;
}

// A hundredth of a point (of a per cent, for a stretch) is well inside a pixel of any scan.
std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string s(text);
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

}  // namespace

QPDFObjectHandle textLayerFont(QPDF& pdf) {
    const auto name = [](const char* text) { return Object::newName(text); };
    Object fontFile = Object::newStream(&pdf, blankTrueType());
    Object descriptor = Object::parse(
        "<< /Type /FontDescriptor /FontName /OrvelleInvisibleText /Flags 5 /FontBBox [0 -250 500 1000] "
        "/ItalicAngle 0 /Ascent 1000 /Descent -250 /CapHeight 1000 /StemV 80 >>");
    descriptor.replaceKey("/FontFile2", fontFile);
    // Every code drawn with the one blank glyph.
    std::string toGlyph(2 * 65536, '\0');
    for (size_t i = 1; i < toGlyph.size(); i += 2) toGlyph[i] = 1;
    Object cidFont = Object::parse(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /OrvelleInvisibleText "
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 500 >>");
    cidFont.replaceKey("/FontDescriptor", pdf.makeIndirectObject(descriptor));
    cidFont.replaceKey("/CIDToGIDMap", Object::newStream(&pdf, toGlyph));
    Object font = Object::newDictionary();
    font.replaceKey("/Type", name("/Font"));
    font.replaceKey("/Subtype", name("/Type0"));
    font.replaceKey("/BaseFont", name("/OrvelleInvisibleText"));
    font.replaceKey("/Encoding", name("/Identity-H"));
    font.replaceKey("/DescendantFonts", Object::newArray({pdf.makeIndirectObject(cidFont)}));
    font.replaceKey("/ToUnicode", Object::newStream(&pdf, toUnicodeCMap()));
    return pdf.makeIndirectObject(font);
}

std::string textLayerContent(const PageText& text, double width, double height, int rotation,
                             const std::string& fontName) {
    if (text.words.empty() || text.width == 0 || text.height == 0) return {};
    rotation = ((rotation % 360) + 360) % 360;
    const bool across = rotation == 90 || rotation == 270;
    const double shownWidth = across ? height : width, shownHeight = across ? width : height;
    const double sx = shownWidth / text.width, sy = shownHeight / text.height;
    // From the page as shown to its own space (what the /Rotate turns).
    std::string content = "q ";
    if (rotation == 90) content += "0 1 -1 0 " + number(width) + " 0 cm ";
    if (rotation == 180) content += "-1 0 0 -1 " + number(width) + " " + number(height) + " cm ";
    if (rotation == 270) content += "0 -1 1 0 0 " + number(height) + " cm ";
    content += "BT 3 Tr\n";
    std::vector<std::vector<uint16_t>> units;
    units.reserve(text.words.size());
    for (const TextWord& word : text.words) units.push_back(utf16Units(word.text));
    // A line is set as one run: each word stretched (Tz) to its box and the space after it
    // to the next word's start, so that the pen is where the next word begins and only a
    // word out of that run is placed again (Tm); a word off the line's baseline is raised
    // or lowered (Ts). Glyphs `codes` over `width` pixels at font size `sizePt`:
    const auto show = [&](const std::vector<uint16_t>& codes, double width, double sizePt) {
        content += number(100 * width * sx / (codes.size() * kGlyphWidth / 1000.0 * sizePt)) + " Tz <";
        char hex[5];
        for (const uint16_t unit : codes) {
            std::snprintf(hex, sizeof hex, "%04X", unit);
            content += hex;
        }
        content += "> Tj\n";
    };
    for (size_t first = 0; first < text.words.size();) {
        // A line at a time: its words as tall as its tallest above the baseline, so that a
        // reader keeps them on one line.
        size_t end = first + 1;
        while (end < text.words.size() && !text.words[end].startsLine) ++end;
        int32_t size = 1;
        for (size_t i = first; i < end; ++i)
            size = std::max(size, std::min(text.words[i].baseline, text.words[i].bottom) - text.words[i].top);
        const double sizePt = size * sy;
        const double lineBaseline = std::max(text.words[first].baseline, text.words[first].top + 1);
        content += fontName + " " + number(sizePt) + " Tf 0 Ts\n";
        double pen = -1, rise = 0;
        for (size_t i = first; i < end; ++i) {
            const TextWord& word = text.words[i];
            if (units[i].empty() || word.right <= word.left || word.bottom <= word.top) continue;
            if (std::abs(word.left - pen) > 0.01) {
                content += "1 0 0 1 " + number(word.left * sx) + " " + number(shownHeight - lineBaseline * sy) + " Tm ";
                pen = word.left;
            }
            const double baseline = std::max(word.baseline, word.top + 1);
            if (const double wanted = (lineBaseline - baseline) * sy; std::abs(wanted - rise) > 0.01) {
                content += number(wanted) + " Ts ";
                rise = wanted;
            }
            const bool joined = i + 1 < end && isCjkWord(word.text) && isCjkWord(text.words[i + 1].text);
            const int32_t next = i + 1 < end ? text.words[i + 1].left : word.right;
            // Characters of Chinese text, each a word of its own, are set edge to edge so that
            // a search finds them together; between other words a space fills the gap. A box
            // that reaches over the next word's is cut short: a reader takes text that runs
            // back over itself for another line.
            double right = word.right;
            // Words closer than a fifth of the line's height would be read as one: a reader
            // parts words by the gap between them, not by the spaces drawn.
            const double gap = size / 5.0;
            if (i + 1 < end && next > word.left)
                right = joined ? next : std::max(word.left + 0.3 * (word.right - word.left), std::min(right, next - gap));
            show(units[i], right - word.left, sizePt);
            pen = right;
            // Words whose boxes touch still get a space, however narrow.
            if (!joined && i + 1 < end) {
                const double spaceEnd = std::max(double(next), right + 1);
                show({0x20}, spaceEnd - right, sizePt);
                pen = spaceEnd;
            }
        }
        first = end;
    }
    content += "ET Q\n";
    return content;
}

}  // namespace gdip::codecs
