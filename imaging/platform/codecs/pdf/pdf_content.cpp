#include "pdf_content.h"

#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <algorithm>
#include <cmath>
#include <memory>
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
std::string joinedContent(QPDFPageObjectHelper& page) {
    std::string content;
    BoundedSink sink(content, kMaxContentBytes);
    for (Object stream : asList(page.getObjectHandle().getKey("/Contents"))) {
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

bool showsText(const std::string& op) { return op == "Tj" || op == "TJ" || op == "'" || op == "\""; }

// Follows the content's operators as far as a page of pictures, perhaps under invisible text,
// takes them; the first of anything else is noted.
class ContentWalk {
public:
    void operatorSeen(const std::string& op) {
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
            if (m_state.renderMode == 3 || m_state.renderMode == 7 || m_state.clippedAway) m_page.invisibleText = true;
            else note("it holds text");
        } else if (op == "BI") {
            note("it holds an inline picture");
        } else if (!quietOperators().count(op)) {
            note("it holds drawings");
        } else {
            pathOperator(op);
        }
        m_numbers.clear();
    }
    void numberSeen(double value) { m_numbers.push_back(value); }
    void nameSeen(const std::string& name) { m_name = name; }
    bool done() const { return !m_page.more.empty(); }
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
};

}  // namespace

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
    auto input = std::make_shared<BufferInputSource>("page content", joinedContent(page));
    QPDFTokenizer tokenizer;
    tokenizer.allowEOF();
    ContentWalk walk;
    // Once the page is known to paint more than pictures, what else it paints does not matter.
    while (!walk.done()) {
        const QPDFTokenizer::Token token = tokenizer.readToken(input, "page content", true, kMaxContentBytes);
        switch (token.getType()) {
            case QPDFTokenizer::tt_eof: return walk.result();
            case QPDFTokenizer::tt_integer:
            case QPDFTokenizer::tt_real: walk.numberSeen(std::strtod(token.getValue().c_str(), nullptr)); break;
            case QPDFTokenizer::tt_word: walk.operatorSeen(token.getValue()); break;
            case QPDFTokenizer::tt_name: walk.nameSeen(token.getValue()); break;
            // Strings, arrays and dictionaries are operands of text and marked content; what a
            // reader skips as damage is skipped here too.
            default: break;
        }
    }
    return walk.result();
}

}  // namespace gdip::codecs::pdf
