// A document's pages put in order: turned, deleted, moved, inserted, reversed, each edit
// undoable, and the result written as a merge writes (pages untouched copied as stored,
// turned ones turned without loss). What the page organizer window edits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compose.h"

namespace orvelle {

// One page of the document being put in order: page `page` of `path`, turned by
// `quarterTurns` clockwise; or, with an empty path, a blank page of `blankWidth` x
// `blankHeight` at `blankDpi`.
struct PagePlace {
    std::string path;
    uint32_t page = 0;
    int quarterTurns = 0;  // 0 to 3
    uint32_t blankWidth = 0;
    uint32_t blankHeight = 0;
    float blankDpi = 0;

    bool blank() const { return path.empty(); }
    bool operator==(const PagePlace&) const = default;
};

class PageOrder {
public:
    // Every page of the document at `path`, `pages` of them.
    PageOrder(const std::string& path, uint32_t pages);

    const std::vector<PagePlace>& places() const { return m_places; }
    // Edits since the document was opened or last saved.
    bool modified() const { return m_places != m_saved; }

    // Each edit acts on `rows` (places, from 0, any order, repeats ignored) and can be undone.
    void turn(const std::vector<int>& rows, int quarterTurns);
    void remove(const std::vector<int>& rows);
    // The rows, in their order, moved to stand before place `before` of the present order
    // (places().size(): to the end).
    void move(const std::vector<int>& rows, int before);
    // A blank page before `before`, of the size (and resolution) given.
    void insertBlank(int before, uint32_t width, uint32_t height, float dpi);
    // Places taken from elsewhere (another document's pages) before `before`.
    void insert(int before, const std::vector<PagePlace>& places);
    // The rows' pages in reverse order, in the places they held; every page when `rows` is empty.
    void reverse(const std::vector<int>& rows);

    // A duplex scan put together: the first `fronts` places are the fronts of the sheets,
    // the rest their backs (last sheet first when `backsReversed`), interleaved front, back,
    // front... False, with `why` giving the counts, when the backs are not as many.
    bool interleave(size_t fronts, bool backsReversed, std::string& why);
    // The whole order replaced by one made elsewhere (an interleave with another document's
    // pages), as one edit.
    void replace(std::vector<PagePlace> places) { apply(std::move(places), {}); }
    // What interleave would make, without making it.
    static std::vector<PagePlace> interleaved(const std::vector<PagePlace>& places, size_t fronts, bool backsReversed);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    void undo();
    void redo();
    // The present order is what the document now holds.
    void markSaved() { m_saved = m_places; }
    // The document at `path` was written over with the present order, which becomes its
    // pages one to the last; the pages of the edits before and after it, undone or redone,
    // are at `earlier` now (a name that still reads the document as it was).
    void documentReplaced(const std::string& path, const std::string& earlier);

    // Where place `row` went in the last edit (or undo, redo): -1 when it was removed.
    const std::vector<int>& lastMoves() const { return m_moves; }

private:
    void apply(std::vector<PagePlace> next, std::vector<int> moves);
    // The last order of `from` made the present one, which goes onto `to`: undo and redo.
    void step(std::vector<std::vector<PagePlace>>& from, std::vector<std::vector<PagePlace>>& to);
    static std::vector<int> sortedRows(const std::vector<int>& rows, size_t size);

    std::vector<PagePlace> m_places;
    std::vector<PagePlace> m_saved;
    std::vector<std::vector<PagePlace>> m_undo;
    std::vector<std::vector<PagePlace>> m_redo;
    std::vector<int> m_moves;
};

// Writes the blank page `place` stands for into `path` as a one-page TIFF; false when it
// could not be written.
bool writeBlankPage(const PagePlace& place, const std::string& path);

// The request that writes `places` into `output` (a PDF when its name says so), pages
// copied as stored and turned without loss; blank pages come from `blankPage(place)`, which
// gives the path of a file holding such a page.
template <typename BlankPage>
ComposeRequest orderRequest(const std::vector<PagePlace>& places, const std::string& output, BlankPage blankPage) {
    ComposeRequest request{{}, output};
    request.lossless = true;
    request.pdf = isPdfPath(output);
    for (const PagePlace& place : places) {
        const std::string path = place.blank() ? blankPage(place) : place.path;
        // Runs of one source go in one entry, as a merge of ranges does.
        if (!request.sources.empty() && request.sources.back() == path)
            request.sourcePages.back().push_back(place.blank() ? 0 : place.page);
        else {
            request.sources.push_back(path);
            request.sourcePages.push_back({place.blank() ? 0 : place.page});
        }
        request.pageTurns.push_back(place.quarterTurns);
    }
    return request;
}

}  // namespace orvelle
