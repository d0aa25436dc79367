#include "merge_list.h"

namespace orvelle {

std::vector<std::string> MergeList::paths() const {
    std::vector<std::string> result;
    result.reserve(m_entries.size());
    for (const MergeEntry& entry : m_entries) result.push_back(entry.path);
    return result;
}

void MergeList::add(MergeEntry entry) { m_entries.push_back(std::move(entry)); }

void MergeList::clear() {
    m_entries.clear();
    m_selected = kNoSelection;
}

void MergeList::select(int index) {
    m_selected = index >= 0 && static_cast<size_t>(index) < m_entries.size() ? index : kNoSelection;
}

}  // namespace orvelle
