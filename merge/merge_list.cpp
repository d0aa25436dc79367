#include "merge_list.h"

#include <utility>

namespace orvelle {

std::vector<std::string> MergeList::paths() const {
    std::vector<std::string> result;
    result.reserve(m_entries.size());
    for (const MergeEntry& entry : m_entries) result.push_back(entry.path);
    return result;
}

void MergeList::changed(bool entries, bool selection) {
    if (!m_listener) return;
    if (entries) m_listener->entriesChanged();
    if (selection) m_listener->selectionChanged();
}

void MergeList::add(MergeEntry entry) {
    m_entries.push_back(std::move(entry));
    changed(true, false);
}

void MergeList::removeSelected() {
    if (m_selected == kNoSelection) return;
    m_entries.erase(m_entries.begin() + m_selected);
    const int count = static_cast<int>(m_entries.size());
    if (m_selected >= count) m_selected = count - 1;  // kNoSelection once the list is empty
    changed(true, true);
}

void MergeList::moveUp() {
    if (m_selected == kNoSelection || m_selected == 0) return;
    std::swap(m_entries[m_selected], m_entries[m_selected - 1]);
    --m_selected;
    changed(true, true);
}

void MergeList::moveDown() {
    if (m_selected == kNoSelection || m_selected + 1 >= static_cast<int>(m_entries.size())) return;
    std::swap(m_entries[m_selected], m_entries[m_selected + 1]);
    ++m_selected;
    changed(true, true);
}

void MergeList::clear() {
    const bool hadSelection = m_selected != kNoSelection;
    m_entries.clear();
    m_selected = kNoSelection;
    changed(true, hadSelection);
}

void MergeList::select(int index) {
    const int wanted =
        index >= 0 && static_cast<size_t>(index) < m_entries.size() ? index : kNoSelection;
    if (wanted == m_selected) return;
    m_selected = wanted;
    changed(false, true);
}

void MergeList::stepSelection(int step) {
    if (m_selected == kNoSelection) return;
    const int target = m_selected + step;
    if (step == 0 || target < 0 || target >= static_cast<int>(m_entries.size())) return;
    m_selected = target;
    changed(false, true);
}

}  // namespace orvelle
