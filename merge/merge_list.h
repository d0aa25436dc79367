// The merge list as plain values: the pictures to merge in their order, each with the size
// text shown beside it, and the selected entry, with the operations of the merge page's
// buttons and mouse wheel. The page's table shows it; the composition takes its paths.
#pragma once

#include <string>
#include <vector>

namespace orvelle {

struct MergeEntry {
    std::string path;
    std::string sizeText;  // "W×H"
};

// Told after each change, entries first when both changed.
class MergeListListener {
public:
    virtual ~MergeListListener() = default;
    virtual void entriesChanged() = 0;
    virtual void selectionChanged() = 0;
};

class MergeList {
public:
    static constexpr int kNoSelection = -1;

    void setListener(MergeListListener* listener) { m_listener = listener; }

    const std::vector<MergeEntry>& entries() const { return m_entries; }
    size_t count() const { return m_entries.size(); }
    std::vector<std::string> paths() const;

    // Appends an entry (the same file may stand in the list more than once).
    void add(MergeEntry entry);
    // Removes the selected entry; the entry that takes its place, else the one before it,
    // is selected next.
    void removeSelected();
    // The selected entry one place up or down, still selected; nothing at the list's ends.
    void moveUp();
    void moveDown();
    void clear();

    int selected() const { return m_selected; }
    // Selects entry `index`, or nothing for an index outside the list.
    void select(int index);

    // Moves the selection one entry back (-1) or forward (+1), as the arrow keys do; nothing
    // at the list's ends, for 0, or without a selection.
    void stepSelection(int step);

private:
    void changed(bool entries, bool selection);

    std::vector<MergeEntry> m_entries;
    int m_selected = kNoSelection;
    MergeListListener* m_listener = nullptr;
};

}  // namespace orvelle
