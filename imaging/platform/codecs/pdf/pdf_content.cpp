#include "pdf_content.h"

#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "pdf_streams.h"

namespace gdip::codecs::pdf {
namespace {

// A scanned page draws its picture in a few dozen bytes and an OCR layer over it takes tens
// of kilobytes; a drawing of megabytes is a map or a plan. Past this a page is not read.
constexpr size_t kMaxContentBytes = 16 << 20;
// Stored data past this is refused before it is inflated: deflate undoes to a thousand times
// its size at most, so what is inflated stays within a second's work.
constexpr long long kMaxStoredContentBytes = 1 << 20;
constexpr size_t kMaxSavedStates = 256;

// The content streams decoded and joined. Each is piped on its own: qpdf's own joining holds
// every stream whole first, which for a stream that inflates to gigabytes is that much
// memory before a byte is looked at.
std::string joinedContent(const std::vector<Object>& streams) {
    std::string content;
    BoundedSink sink(content, kMaxContentBytes);
    for (Object stream : streams) {
        if (!stream.isStream()) continue;
        Object stored = stream.getDict().getKey("/Length");
        if (stored.isInteger() && stored.getIntValue() > kMaxStoredContentBytes) throw ContentTooLarge("its content is too large");
        // A stream that cannot all be undone gives what it could, as a reader draws it.
        (void)pipeDecoded(stream, sink);
        if (sink.overflowed() || content.size() == kMaxContentBytes) throw ContentTooLarge("its content is too large");
        sink.write(reinterpret_cast<const unsigned char*>("\n"), 1);  // streams join as separate tokens
    }
    return content;
}

// Operators that change only the state the next painting uses, or mark content: they paint
// nothing themselves. Path construction is among them: a path paints only when filled or
// stroked, and one ended with "n" (a clip) never does.
const std::unordered_set<std::string>& quietOperators() {
    static const std::unordered_set<std::string> quiet = {
        "w", "J", "j", "M", "d", "ri", "i", "gs", "CS", "cs", "SC", "SCN", "sc", "scn", "G", "g", "RG", "rg", "K", "k",
        "BMC", "BDC", "EMC", "MP", "DP", "BX", "EX", "m", "l", "c", "v", "y", "h", "re", "W", "W*", "n",
        "BT", "ET", "Tf", "Tc", "Tw", "Tz", "TL", "Ts", "Td", "TD", "Tm", "T*"};
    return quiet;
}

// What a text object may hold that sets only how text is shown.
const std::unordered_set<std::string>& textStateOperators() {
    static const std::unordered_set<std::string> state = {"Tf", "Tc", "Tw", "Tz", "TL", "Ts", "Td", "TD", "Tm", "T*", "Tr"};
    return state;
}

bool showsText(const std::string& op) { return op == "Tj" || op == "TJ" || op == "'" || op == "\""; }

// What an operator was, as far as text goes.
enum class Shown { Other, Text, UnseenText };

// Follows the content's operators as far as a page of pictures, perhaps under invisible text,
// takes them; the first of anything else is noted.
class ContentWalk {
public:
    // `stopAtMore`: done at the first thing painted besides pictures.
    explicit ContentWalk(bool stopAtMore = true) : m_stopAtMore(stopAtMore) {}

    Shown operatorSeen(const std::string& op) {
        Shown shown = Shown::Other;
        if (op == "Do") {
            if (m_state.clippedAway) note("it draws a picture clipped away");
            m_page.drawn.push_back({m_name, m_state.matrix});
        } else if (op == "q") {
            if (m_saved.size() > kMaxSavedStates) note("it holds drawings");
            else m_saved.push_back(m_state);
        } else if (op == "Q") {
            if (!m_saved.empty()) m_state = m_saved.back(), m_saved.pop_back();
        } else if (op == "cm") {
            if (m_numbers.size() < 6) note("it holds drawings");
            else {
                const double* m = m_numbers.data() + m_numbers.size() - 6;
                m_state.matrix = m_state.matrix.after(Linear{m[0], m[1], m[2], m[3]});
            }
        } else if (op == "Tr") {
            if (!m_numbers.empty()) m_state.renderMode = static_cast<int>(m_numbers.back());
        } else if (showsText(op)) {
            // Modes 3 (neither filled nor stroked) and 7 (a clip only) show nothing, and
            // neither does text clipped to nothing.
            if (m_state.renderMode == 3 || m_state.renderMode == 7 || m_state.clippedAway) {
                m_page.invisibleText = true;
                shown = Shown::UnseenText;
            } else {
                m_page.seenText = true;
                note("it holds text");
                shown = Shown::Text;
            }
        } else if (op == "BI") {
            note("it holds an inline picture");
        } else if (!quietOperators().count(op)) {
            note("it holds drawings");
        } else {
            pathOperator(op);
        }
        m_numbers.clear();
        return shown;
    }
    void numberSeen(double value) { m_numbers.push_back(value); }
    void nameSeen(const std::string& name) { m_name = name; }
    const std::string& lastName() const { return m_name; }
    bool done() const { return m_stopAtMore && !m_page.more.empty(); }
    PageContent result() { return std::move(m_page); }

private:
    // A path made only of rectangles with no width or height, used as a clip, clips
    // everything away ("0 0 0 0 re W n"), as some OCR layers hide their text.
    void pathOperator(const std::string& op) {
        if (op == "re") {
            const bool flat = m_numbers.size() >= 2 && (m_numbers[m_numbers.size() - 2] == 0 || m_numbers.back() == 0);
            m_pathHasArea = m_pathHasArea || !flat;
        } else if (op == "m" || op == "l" || op == "c" || op == "v" || op == "y" || op == "h") {
            m_pathHasArea = true;
        } else if (op == "W" || op == "W*") {
            m_clipping = true;
        } else if (op == "n") {
            if (m_clipping && !m_pathHasArea) m_state.clippedAway = true;
            m_clipping = m_pathHasArea = false;
        }
    }

    void note(const char* what) {
        if (m_page.more.empty()) m_page.more = what;
    }

    struct State {
        Linear matrix;
        int renderMode = 0;
        bool clippedAway = false;
    };
    PageContent m_page;
    State m_state;
    std::vector<State> m_saved;
    bool m_pathHasArea = false, m_clipping = false;  // the path being built
    std::vector<double> m_numbers;  // the operands before an operator
    std::string m_name;
    bool m_stopAtMore;
};

// Forms drawn within forms are looked into this deep; a form that draws itself, once.
constexpr int kMostFormDepth = 8;

// `content`'s tokens in order, each given to `token` (whitespace and comments too when
// `ignorable`), an inline picture's data as one token, until `token` says to stop.
template <typename Token>
void eachToken(const std::string& content, bool ignorable, Token token) {
    auto input = std::make_shared<BufferInputSource>("content", content);
    QPDFTokenizer tokenizer;
    tokenizer.allowEOF();
    if (ignorable) tokenizer.includeIgnorable();
    for (;;) {
        const QPDFTokenizer::Token next = tokenizer.readToken(input, "content", true, kMaxContentBytes);
        if (next.getType() == QPDFTokenizer::tt_eof || !token(next)) return;
        if (next.getType() == QPDFTokenizer::tt_word && next.getValue() == "ID") tokenizer.expectInlineImage(input);
    }
}

// Gives the walk what it follows of a token; false once it has seen enough.
bool follow(ContentWalk& walk, const QPDFTokenizer::Token& token) {
    switch (token.getType()) {
        case QPDFTokenizer::tt_integer:
        case QPDFTokenizer::tt_real: walk.numberSeen(std::strtod(token.getValue().c_str(), nullptr)); break;
        case QPDFTokenizer::tt_word: walk.operatorSeen(token.getValue()); break;
        case QPDFTokenizer::tt_name: walk.nameSeen(token.getValue()); break;
        // Strings, arrays and dictionaries are operands of text and marked content; what a
        // reader skips as damage is skipped here too.
        default: break;
    }
    return true;
}

Object formNamed(Object resources, const std::string& name) {
    Object xobjects = resources.isDictionary() ? resources.getKey("/XObject") : Object::newNull();
    Object form = xobjects.isDictionary() ? xobjects.getKey(name) : Object::newNull();
    return form.isStream() && form.getDict().getKey("/Subtype").isNameAndEquals("/Form") ? form : Object::newNull();
}

Object formResources(Object form, Object outer) {
    Object own = form.getDict().getKey("/Resources");
    return own.isDictionary() ? own : outer;
}

// What `streams` paint, all of it, with the text of the forms they draw: unseen text, seen
// text, and the rest noted.
PageContent wholeContent(const std::vector<Object>& streams, Object resources, std::set<QPDFObjGen>& seen, int depth) {
    ContentWalk walk(false);
    eachToken(joinedContent(streams), false, [&](const QPDFTokenizer::Token& token) { return follow(walk, token); });
    PageContent content = walk.result();
    for (const PageContent::Drawn& drawn : content.drawn) {
        Object form = formNamed(resources, drawn.name);
        if (form.isNull() || depth >= kMostFormDepth || !seen.insert(form.getObjGen()).second) continue;
        const PageContent inner = wholeContent({form}, formResources(form, resources), seen, depth + 1);
        content.seenText = content.seenText || inner.seenText;
        content.invisibleText = content.invisibleText || inner.invisibleText;
    }
    return content;
}

// A form that paints nothing but text no one sees: an earlier recogniser's words.
bool onlyUnseenText(Object form) {
    std::set<QPDFObjGen> seen{form.getObjGen()};
    const PageContent content = wholeContent({form}, formResources(form, Object::newNull()), seen, kMostFormDepth);
    return content.invisibleText && content.more.empty() && content.drawn.empty();
}

}  // namespace

FrameText textOf(QPDFPageObjectHelper& page) {
    std::set<QPDFObjGen> seen;
    const PageContent content =
        wholeContent(asList(page.getObjectHandle().getKey("/Contents")), page.getAttribute("/Resources", false), seen, 0);
    return content.seenText ? FrameText::Seen : content.invisibleText ? FrameText::Invisible : FrameText::None;
}

std::string withoutUnseenText(QPDFPageObjectHelper& page, std::set<std::string>& formsLeftOut) {
    Object resources = page.getAttribute("/Resources", false);
    ContentWalk walk(false);
    // What is kept; the operands since the last operator; the text object being read, which
    // goes whole when it holds nothing but text operators and unseen text (what they set is
    // text's own state, which no text shown after it uses: none is seen on the page).
    std::string kept, operands, textObject;
    bool inText = false, textObjectPaints = false;
    eachToken(joinedContent(asList(page.getObjectHandle().getKey("/Contents"))), true, [&](const QPDFTokenizer::Token& token) {
        if (token.getType() != QPDFTokenizer::tt_word) {
            follow(walk, token);
            operands += token.getRawValue();
            return true;
        }
        const std::string& op = token.getValue();
        const std::string name = walk.lastName();
        Object form = op == "Do" ? formNamed(resources, name) : Object::newNull();
        const Shown shown = walk.operatorSeen(op);
        std::string& into = inText ? textObject : kept;
        const bool formLeftOut = !form.isNull() && onlyUnseenText(form);
        if (formLeftOut) formsLeftOut.insert(name);
        if (shown == Shown::UnseenText || formLeftOut) {
            into += ' ';  // the operator and its operands go
        } else if (op == "BT" && !inText) {
            kept += operands;
            textObject = token.getRawValue();
            inText = true, textObjectPaints = false;
        } else if (op == "ET" && inText) {
            kept += textObjectPaints ? textObject + operands + token.getRawValue() : std::string(" ");
            textObject.clear();
            inText = false;
        } else {
            if (inText && !textStateOperators().count(op)) textObjectPaints = true;
            into += operands + token.getRawValue();
        }
        operands.clear();
        return true;
    });
    return kept + textObject + operands;
}

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
    return 0;
}

PageContent contentOf(QPDFPageObjectHelper& page) {
    ContentWalk walk;
    // Once the page is known to paint more than pictures, what else it paints does not matter.
    eachToken(joinedContent(asList(page.getObjectHandle().getKey("/Contents"))), false,
              [&](const QPDFTokenizer::Token& token) { return follow(walk, token) && !walk.done(); });
    return walk.result();
}

}  // namespace gdip::codecs::pdf
