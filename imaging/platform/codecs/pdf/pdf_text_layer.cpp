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

// A ToUnicode map over `codespace` ("<0000> <FFFF>") of `ranges` ("<src> <src> <unicode>")
// and `singles` ("<src> <unicode>").
std::string toUnicodeCMap(const char* codespace, const std::vector<std::string>& ranges,
                          const std::vector<std::string>& singles) {
    std::string cmap =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n1 begincodespacerange\n";
    cmap += std::string(codespace) + "\nendcodespacerange\n";
    // At most a hundred entries to a section.
    const auto sections = [&](const std::vector<std::string>& entries, const char* kind) {
        for (size_t first = 0; first < entries.size(); first += 100) {
            const size_t count = std::min<size_t>(100, entries.size() - first);
            cmap += std::to_string(count) + " begin" + kind + "\n";
            for (size_t k = first; k < first + count; ++k) cmap += entries[k];
            cmap += std::string("end") + kind + "\n";
        }
    };
    sections(ranges, "bfrange");
    sections(singles, "bfchar");
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return cmap;
}

// Every code of the BMP to itself, as ranges that stay within one high byte, leaving out
// the surrogates.
std::string unicodeToUnicode() {
    std::vector<std::string> ranges;
    char line[40];
    for (unsigned high = 0; high < 256; ++high) {
        if (high >= 0xD8 && high <= 0xDF) continue;
        std::snprintf(line, sizeof line, "<%02X00> <%02XFF> <%02X00>\n", high, high, high);
        ranges.emplace_back(line);
    }
    return toUnicodeCMap("<0000> <FFFF>", ranges, {});
}

// The characters of the one-byte codes 0x80 to 0x9F of the Latin text encoding (the rest
// from 0x20 on are the characters of the same number).
constexpr uint16_t kLatinHigh[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                     0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                     0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

std::string latinToUnicode() {
    std::vector<std::string> singles;
    char line[40];
    for (unsigned code = 0x80; code < 0xA0; ++code)
        if (const uint16_t unit = kLatinHigh[code - 0x80]) {
            std::snprintf(line, sizeof line, "<%02X> <%04X>\n", code, unit);
            singles.emplace_back(line);
        }
    return toUnicodeCMap("<00> <FF>", {"<20> <7E> <0020>\n", "<A0> <FF> <00A0>\n"}, singles);
}

// The one-byte code of a character in the Latin text encoding, or 0 where it has none.
uint8_t latinCode(uint16_t unit) {
    if ((unit >= 0x20 && unit < 0x7F) || (unit >= 0xA0 && unit <= 0xFF)) return uint8_t(unit);
    for (unsigned k = 0; k < 32; ++k)
        if (kLatinHigh[k] == unit && unit != 0) return uint8_t(0x80 + k);
    return 0;
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

// A word as a string of the font it is set in: the Latin one, a byte to a character, where
// it has all of them (a third of the size, packed), the Unicode one otherwise.
struct Glyphs {
    bool latin = true;
    size_t count = 0;
    std::string operand;
};

Glyphs glyphsOf(const std::string& word) {
    const std::vector<uint16_t> units = utf16Units(word);
    Glyphs made;
    made.count = units.size();
    for (const uint16_t unit : units) made.latin = made.latin && latinCode(unit) != 0;
    made.operand = made.latin ? "(" : "<";
    for (const uint16_t unit : units) {
        if (made.latin) {
            const auto code = char(latinCode(unit));
            if (code == '(' || code == ')' || code == '\\') made.operand += '\\';
            made.operand += code;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "%04X", unit);
            made.operand += hex;
        }
    }
    made.operand += made.latin ? ")" : ">";
    return made;
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

TextLayerFonts textLayerFonts(QPDF& pdf) {
    const auto name = [](const char* text) { return Object::newName(text); };
    Object fontFile = Object::newStream(&pdf, blankTrueType());
    const auto descriptor = [&](int flags) {
        Object made = Object::parse(
            "<< /Type /FontDescriptor /FontName /OrvelleInvisibleText /FontBBox [0 -250 500 1000] "
            "/ItalicAngle 0 /Ascent 1000 /Descent -250 /CapHeight 1000 /StemV 80 >>");
        made.replaceKey("/Flags", Object::newInteger(flags));
        made.replaceKey("/FontFile2", fontFile);
        return pdf.makeIndirectObject(made);
    };
    TextLayerFonts fonts;
    // Every code drawn with the one blank glyph.
    std::string toGlyph(2 * 65536, '\0');
    for (size_t i = 1; i < toGlyph.size(); i += 2) toGlyph[i] = 1;
    Object cidFont = Object::parse(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /OrvelleInvisibleText "
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 500 >>");
    cidFont.replaceKey("/FontDescriptor", descriptor(5));  // fixed pitch, symbolic
    cidFont.replaceKey("/CIDToGIDMap", Object::newStream(&pdf, toGlyph));
    Object unicode = Object::newDictionary();
    unicode.replaceKey("/Type", name("/Font"));
    unicode.replaceKey("/Subtype", name("/Type0"));
    unicode.replaceKey("/BaseFont", name("/OrvelleInvisibleText"));
    unicode.replaceKey("/Encoding", name("/Identity-H"));
    unicode.replaceKey("/DescendantFonts", Object::newArray({pdf.makeIndirectObject(cidFont)}));
    unicode.replaceKey("/ToUnicode", Object::newStream(&pdf, unicodeToUnicode()));
    fonts.unicode = pdf.makeIndirectObject(unicode);
    Object latin = Object::parse(
        "<< /Type /Font /Subtype /TrueType /BaseFont /OrvelleInvisibleText /FirstChar 32 /LastChar 255 "
        "/Encoding /WinAnsiEncoding >>");
    latin.replaceKey("/Widths", Object::newArray(std::vector<Object>(224, Object::newInteger(kGlyphWidth))));
    latin.replaceKey("/FontDescriptor", descriptor(33));  // fixed pitch, not symbolic
    latin.replaceKey("/ToUnicode", Object::newStream(&pdf, latinToUnicode()));
    fonts.latin = pdf.makeIndirectObject(latin);
    return fonts;
}

std::string textLayerContent(const PageText& text, double width, double height, int rotation,
                             const std::string& unicodeFont, const std::string& latinFont) {
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
    std::vector<Glyphs> glyphs;
    glyphs.reserve(text.words.size());
    for (const TextWord& word : text.words) glyphs.push_back(glyphsOf(word.text));
    // A line is set as one run along its row: each word stretched (Tz) to its box and a space
    // stretched over the gap to the next word, all on one baseline, so that a reader takes
    // the words as one line, in the recogniser's order. The stretch is a whole per cent, which
    // packs well. A space is stretched over its own gap (most often the least gap, so the same
    // stretch again); a word to where it ends from where the pen is, taking up what the
    // stretches before it left over, so that no error adds up along the line. `pen` is where
    // the glyphs drawn end, in points along the row; `width` is in points:
    double pen = 0;
    const auto show = [&](const std::string& operand, size_t count, double width, double sizePt) {
        const double natural = double(count) * kGlyphWidth / 1000.0 * sizePt;
        const long stretch = std::max(1L, std::lround(100 * width / natural));
        pen += stretch / 100.0 * natural;
        content += std::to_string(stretch) + " Tz " + operand + " Tj\n";
    };
    const auto drawn = [&](size_t i) {
        const TextWord& word = text.words[i];
        return glyphs[i].count > 0 && word.right > word.left && word.bottom > word.top;
    };
    for (size_t first = 0; first < text.words.size();) {
        size_t end = first + 1;
        while (end < text.words.size() && !text.words[end].startsLine) ++end;
        // Its words as tall as its tallest above the baseline; the row's slope fitted to the
        // words' baselines, so that the line of a page scanned askew lies on its row.
        int32_t size = 1;
        double n = 0, mx = 0, my = 0;
        for (size_t i = first; i < end; ++i) {
            const TextWord& word = text.words[i];
            if (!drawn(i)) continue;
            size = std::max(size, std::min(word.baseline, word.bottom) - word.top);
            n += 1, mx += (word.left + word.right) / 2.0, my += std::max(word.baseline, word.top + 1);
        }
        if (n == 0) {
            first = end;
            continue;
        }
        mx /= n, my /= n;
        double sxy = 0, sxx = 0;
        for (size_t i = first; i < end; ++i) {
            if (!drawn(i)) continue;
            const double dx = (text.words[i].left + text.words[i].right) / 2.0 - mx;
            sxy += dx * (std::max(text.words[i].baseline, text.words[i].top + 1) - my), sxx += dx * dx;
        }
        // A row leans a few degrees at most; more is a fit to stray marks.
        const double slope = sxx > 0 ? std::clamp(sxy / sxx, -0.1, 0.1) : 0.0;
        const double sizePt = size * sy;
        // Along the row, in points, from its first word's left edge.
        const double dx = sx, dy = -slope * sy, along = std::hypot(dx, dy);
        const double cosine = dx / along, sine = dy / along;
        const double gap = size / 5.0;  // a reader parts words by the gap, not by spaces drawn
        double origin = 0, reached = 0;  // in pixels: the line's left edge, the last word's end
        bool started = false, joinedBefore = false, latinSet = false;
        for (size_t i = first; i < end; ++i) {
            if (!drawn(i)) continue;
            const TextWord& word = text.words[i];
            double start = word.left;
            // The font is chosen again where a word needs the other one.
            const auto font = [&](bool latin) {
                content += (latin ? latinFont : unicodeFont) + " " + number(sizePt) + " Tf ";
                latinSet = latin;
            };
            if (!started) {
                const double y = my + slope * (word.left - mx);
                font(glyphs[i].latin);
                content += number(cosine) + " " + number(sine) + " " + number(-sine) + " " + number(cosine) + " " +
                           number(word.left * sx) + " " + number(shownHeight - y * sy) + " Tm\n";
                reached = word.left, origin = word.left, pen = 0;
                started = true;
            } else if (joinedBefore) {
                start = reached;
            } else {
                // Words closer than the gap would be read as one: the later one moves over.
                start = std::max(start, reached + gap);
                show(latinSet ? "( )" : "<0020>", 1, (start - reached) * along, sizePt);
            }
            if (glyphs[i].latin != latinSet) font(glyphs[i].latin);
            // Characters of Chinese text, each a word of its own, are set edge to edge so that
            // a search finds them together. A box that reaches over the next word's is cut short,
            // to a third of it at least.
            const size_t next = i + 1 < end && drawn(i + 1) ? i + 1 : i;
            const bool joined = next != i && isCjkWord(word.text) && isCjkWord(text.words[next].text);
            const double least = start + std::max(1.0, 0.3 * (word.right - word.left));
            double right = std::max(double(word.right), least);
            if (next != i) {
                const double nextLeft = text.words[next].left;
                right = joined ? std::max(nextLeft, least) : std::max(least, std::min(right, nextLeft - gap));
            }
            show(glyphs[i].operand, glyphs[i].count, (right - origin) * along - pen, sizePt);
            reached = right;
            joinedBefore = joined;
        }
        first = end;
    }
    content += "ET Q\n";
    return content;
}

}  // namespace gdip::codecs
