#include "pdf_content.h"

#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "pdf_picture.h"

namespace gdip::codecs::pdf {
namespace {

// A scanned page draws its picture in a few dozen bytes.
constexpr size_t kMaxContentBytes = 64 * 1024;
// Stored data past this cannot be so little content, whatever its filters (hexadecimal
// text takes two bytes for one).
constexpr long long kMaxStoredContentBytes = 2 * kMaxContentBytes + 1024;
constexpr size_t kMaxSavedStates = 64;

// The linear part of a transformation matrix [a b c d] (its translation does not turn).
struct Linear {
    double a = 1, b = 0, c = 0, d = 1;
    // This matrix applied after `first`, as PDF's "cm" concatenates.
    Linear after(const Linear& first) const {
        return {first.a * a + first.b * c, first.a * b + first.b * d, first.c * a + first.d * c, first.c * b + first.d * d};
    }
};

// How a picture drawn with `m` lies on the page: the eight axis-aligned placements; any other
// matrix (a slant, a picture of no extent) is no plain scan.
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

// The page's content streams decoded and joined, at most kMaxContentBytes of them. Each is
// piped on its own: qpdf's own joining holds every stream whole first, which for a stream
// that inflates to hundreds of megabytes is that much memory before a byte is looked at.
std::string contentOf(QPDFPageObjectHelper& page) {
    std::string content;
    BoundedSink sink(content, kMaxContentBytes);
    for (Object stream : asList(page.getObjectHandle().getKey("/Contents"))) {
        if (!stream.isStream()) continue;
        Object stored = stream.getDict().getKey("/Length");
        if (stored.isInteger() && stored.getIntValue() > kMaxStoredContentBytes) throw NotScanned("it draws more than one picture");
        // A stream that cannot all be undone gives what it could, as a reader draws it.
        (void)pipeDecoded(stream, sink);
        if (sink.overflowed() || content.size() == kMaxContentBytes) throw NotScanned("it draws more than one picture");
        sink.write(reinterpret_cast<const unsigned char*>("\n"), 1);  // streams join as separate tokens
    }
    return content;
}

// Follows the content's operators, with qpdf's tokenizer, as far as a scanned page's take it.
class ContentWalk {
public:
    void operatorSeen(const std::string& op) {
        if (op == "Do") {
            ++m_draws;
            m_drawn = m_matrix;
        } else if (op == "q") {
            if (m_saved.size() > kMaxSavedStates) throw NotScanned("it holds drawings");
            m_saved.push_back(m_matrix);
        } else if (op == "Q") {
            if (!m_saved.empty()) m_matrix = m_saved.back(), m_saved.pop_back();
        } else if (op == "cm") {
            if (m_numbers.size() < 6) throw NotScanned("it holds drawings");
            const double* m = m_numbers.data() + m_numbers.size() - 6;
            m_matrix = m_matrix.after(Linear{m[0], m[1], m[2], m[3]});
        } else {
            throw NotScanned(op == "BT" || op == "Tj" || op == "TJ" ? "it holds text" : "it holds drawings");
        }
        m_numbers.clear();
    }
    void numberSeen(double value) { m_numbers.push_back(value); }

    uint16_t placement() const {
        if (m_draws != 1) throw NotScanned(m_draws == 0 ? "it holds no picture" : "it draws more than one picture");
        return placementOf(m_drawn);
    }

private:
    int m_draws = 0;
    Linear m_matrix, m_drawn;
    std::vector<Linear> m_saved;
    std::vector<double> m_numbers;  // the operands before an operator
};

}  // namespace

uint16_t placementOfPicture(QPDFPageObjectHelper& page) {
    auto input = std::make_shared<BufferInputSource>("page content", contentOf(page));
    QPDFTokenizer tokenizer;
    tokenizer.allowEOF();
    ContentWalk walk;
    for (;;) {
        const QPDFTokenizer::Token token = tokenizer.readToken(input, "page content", true, kMaxContentBytes);
        switch (token.getType()) {
            case QPDFTokenizer::tt_eof: return walk.placement();
            case QPDFTokenizer::tt_integer:
            case QPDFTokenizer::tt_real: walk.numberSeen(std::strtod(token.getValue().c_str(), nullptr)); break;
            case QPDFTokenizer::tt_word: walk.operatorSeen(token.getValue()); break;
            case QPDFTokenizer::tt_name: break;  // the picture's name
            // What a reader skips as damage is skipped here too.
            case QPDFTokenizer::tt_bad: break;
            default: throw NotScanned("it holds drawings");  // strings, arrays, dictionaries: operands no scan needs
        }
    }
}

}  // namespace gdip::codecs::pdf
