// Filling the merge list from chosen files: each file decoded once for its size text, kept
// only when it decodes, the list growing visibly while the batch runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "jobs/job_reporting.h"
#include "merge_list.h"

namespace orvelle {

// "W×H" of a picture file's first page, with " (N页)" after it for a document of N > 1 pages;
// nothing when the file cannot be decoded. A multi-page document whose first page is damaged
// still decodes (its other pages can be merged) and reads 0×0.
std::optional<std::string> FillMergeItemSize(const std::string& path);

// Appends `path` with its size text; false, and the list unchanged, when it cannot be
// decoded.
bool AddMergeItem(MergeList& list, const std::string& path);

struct MergeAdding {
    size_t added = 0;
    std::vector<std::string> rejected;  // in the order chosen
    bool cancelled = false;             // stopped before the last file
};

// Adds `paths` in order, processing pending events after each file; afterwards the list's
// last entry is selected and one message names the files that were not added.
MergeAdding addMergeFiles(MergeList& list, const std::vector<std::string>& paths,
                          JobContext& context);

}  // namespace orvelle
