// The merge list as plain values: the pictures to merge in their order, each with the size
// text shown beside it, and the selected entry. The merge page's table shows it; the
// composition takes its paths.
#pragma once

#include <string>
#include <vector>

namespace orvelle {

struct MergeEntry {
    std::string path;
    std::string sizeText;  // "W×H"
};

class MergeList {
public:
    static constexpr int kNoSelection = -1;

    const std::vector<MergeEntry>& entries() const { return m_entries; }
    size_t count() const { return m_entries.size(); }
    std::vector<std::string> paths() const;

    // Appends an entry (the same file may stand in the list more than once).
    void add(MergeEntry entry);
    void clear();

    int selected() const { return m_selected; }
    // Selects entry `index`, or nothing for an index outside the list.
    void select(int index);

private:
    std::vector<MergeEntry> m_entries;
    int m_selected = kNoSelection;
};

}  // namespace orvelle
