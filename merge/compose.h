// Writing an ordered list of pictures into one multi-page TIFF: the first page of each
// source, or every page of each multi-page source.
#pragma once

#include <string>
#include <vector>

#include "jobs/job_reporting.h"

namespace orvelle {

struct ComposeRequest {
    std::vector<std::string> sources;  // in page order
    std::string outputPath;
    bool allPages = false;  // every page of multi-page TIFF and GIF sources
};

struct ComposeResult {
    bool written = false;       // the output is complete and in place
    uint32_t pages = 0;         // pages in the output
    // Sources that gave nothing, and "path (第k页)" for single pages that failed.
    std::vector<std::string> skipped;
};

ComposeResult ComposeTiff(const ComposeRequest& request, JobContext& context);

// The message listing sources that could not be merged: at most ten paths, then the count.
std::string skippedSourcesMessage(const std::vector<std::string>& skipped);

}  // namespace orvelle
