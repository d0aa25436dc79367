#include "page_order.h"

#include <algorithm>

#include "imaging/gdipobj.h"
#include "imaging/gdiputil.h"
#include "imaging/text_path.h"

namespace orvelle {

PageOrder::PageOrder(const std::string& path, uint32_t pages) {
    for (uint32_t page = 0; page < pages; ++page) m_places.push_back({path, page});
    m_saved = m_places;
}

std::vector<int> PageOrder::sortedRows(const std::vector<int>& rows, size_t size) {
    std::vector<int> sorted;
    for (const int row : rows)
        if (row >= 0 && static_cast<size_t>(row) < size) sorted.push_back(row);
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    return sorted;
}

void PageOrder::apply(std::vector<PagePlace> next, std::vector<int> moves) {
    m_undo.push_back(std::move(m_places));
    m_redo.clear();
    m_places = std::move(next);
    m_moves = std::move(moves);
}

namespace {

std::vector<int> unmoved(size_t size) {
    std::vector<int> moves(size);
    for (size_t i = 0; i < size; ++i) moves[i] = static_cast<int>(i);
    return moves;
}

}  // namespace

void PageOrder::turn(const std::vector<int>& rows, int quarterTurns) {
    const std::vector<int> chosen = sortedRows(rows, m_places.size());
    if (chosen.empty() || quarterTurns % 4 == 0) return;
    std::vector<PagePlace> next = m_places;
    for (const int row : chosen) next[row].quarterTurns = ((next[row].quarterTurns + quarterTurns) % 4 + 4) % 4;
    apply(std::move(next), unmoved(m_places.size()));
}

void PageOrder::remove(const std::vector<int>& rows) {
    const std::vector<int> chosen = sortedRows(rows, m_places.size());
    if (chosen.empty()) return;
    std::vector<PagePlace> next;
    std::vector<int> moves(m_places.size(), -1);
    for (size_t i = 0; i < m_places.size(); ++i) {
        if (std::binary_search(chosen.begin(), chosen.end(), static_cast<int>(i))) continue;
        moves[i] = static_cast<int>(next.size());
        next.push_back(m_places[i]);
    }
    apply(std::move(next), std::move(moves));
}

void PageOrder::move(const std::vector<int>& rows, int before) {
    const std::vector<int> chosen = sortedRows(rows, m_places.size());
    if (chosen.empty()) return;
    before = std::clamp(before, 0, static_cast<int>(m_places.size()));
    std::vector<int> order;  // old rows in their new order
    for (int i = 0; i <= static_cast<int>(m_places.size()); ++i) {
        if (i == before) order.insert(order.end(), chosen.begin(), chosen.end());
        if (i < static_cast<int>(m_places.size()) && !std::binary_search(chosen.begin(), chosen.end(), i))
            order.push_back(i);
    }
    std::vector<PagePlace> next;
    std::vector<int> moves(m_places.size());
    for (size_t k = 0; k < order.size(); ++k) {
        moves[order[k]] = static_cast<int>(k);
        next.push_back(m_places[order[k]]);
    }
    if (next == m_places) return;
    apply(std::move(next), std::move(moves));
}

void PageOrder::insert(int before, const std::vector<PagePlace>& places) {
    if (places.empty()) return;
    before = std::clamp(before, 0, static_cast<int>(m_places.size()));
    std::vector<PagePlace> next = m_places;
    next.insert(next.begin() + before, places.begin(), places.end());
    std::vector<int> moves = unmoved(m_places.size());
    for (size_t i = before; i < moves.size(); ++i) moves[i] += static_cast<int>(places.size());
    apply(std::move(next), std::move(moves));
}

void PageOrder::insertBlank(int before, uint32_t width, uint32_t height, float dpi) {
    PagePlace blank;
    blank.blankWidth = std::max<uint32_t>(width, 1);
    blank.blankHeight = std::max<uint32_t>(height, 1);
    blank.blankDpi = dpi;
    insert(before, {blank});
}

void PageOrder::reverse(const std::vector<int>& rows) {
    std::vector<int> chosen = sortedRows(rows, m_places.size());
    if (rows.empty()) chosen = unmoved(m_places.size());
    if (chosen.size() < 2) return;
    std::vector<PagePlace> next = m_places;
    std::vector<int> moves = unmoved(m_places.size());
    for (size_t k = 0; k < chosen.size(); ++k) {
        next[chosen[k]] = m_places[chosen[chosen.size() - 1 - k]];
        moves[chosen[chosen.size() - 1 - k]] = chosen[k];
    }
    apply(std::move(next), std::move(moves));
}

bool writeBlankPage(const PagePlace& place, const std::string& path) {
    TGPBitmap page(static_cast<int32_t>(place.blankWidth), static_cast<int32_t>(place.blankHeight),
                   PixelFormat24bppRGB);
    if (page.LastStatus != Ok) return false;
    {
        TGPGraphics surface(&page);
        if (surface.FillSurface(0xFFFFFFFF) != Ok) return false;
    }
    if (place.blankDpi > 0 && page.setResolution(place.blankDpi, place.blankDpi) != Ok) return false;
    GUID tiff{};
    FindEncoderByMime("image/tiff", tiff);
    return page.SaveToFile(widenPath(path), &tiff, nullptr) == Ok;
}

std::vector<PagePlace> PageOrder::interleaved(const std::vector<PagePlace>& places, size_t fronts, bool backsReversed) {
    std::vector<PagePlace> next;
    const size_t backs = places.size() - std::min(fronts, places.size());
    for (size_t k = 0; k < std::max(fronts, backs); ++k) {
        if (k < fronts && k < places.size()) next.push_back(places[k]);
        if (k < backs) next.push_back(places[fronts + (backsReversed ? backs - 1 - k : k)]);
    }
    return next;
}

bool PageOrder::interleave(size_t fronts, bool backsReversed, std::string& why) {
    const size_t backs = m_places.size() - std::min(fronts, m_places.size());
    if (fronts != backs) {
        why = "the fronts and the backs are not as many: " + std::to_string(fronts) + " fronts, " +
              std::to_string(backs) + " backs";
        return false;
    }
    std::vector<int> moves(m_places.size());
    for (size_t k = 0; k < fronts; ++k) {
        moves[k] = static_cast<int>(2 * k);
        moves[fronts + (backsReversed ? backs - 1 - k : k)] = static_cast<int>(2 * k + 1);
    }
    apply(interleaved(m_places, fronts, backsReversed), std::move(moves));
    return true;
}

void PageOrder::step(std::vector<std::vector<PagePlace>>& from, std::vector<std::vector<PagePlace>>& to) {
    if (from.empty()) return;
    to.push_back(std::move(m_places));
    m_places = std::move(from.back());
    from.pop_back();
    m_moves.clear();
}

void PageOrder::documentReplaced(const std::string& path, const std::string& earlier) {
    const auto rename = [&](std::vector<PagePlace>& places) {
        for (PagePlace& place : places)
            if (place.path == path) place.path = earlier;
    };
    for (auto* history : {&m_undo, &m_redo})
        for (std::vector<PagePlace>& places : *history) rename(places);
    const auto pages = static_cast<uint32_t>(m_places.size());
    m_places.clear();
    for (uint32_t page = 0; page < pages; ++page) m_places.push_back({path, page});
    m_saved = m_places;
    m_moves.clear();
}

void PageOrder::undo() { step(m_undo, m_redo); }

void PageOrder::redo() { step(m_redo, m_undo); }

}  // namespace orvelle
