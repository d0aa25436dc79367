// The two jobs run the way the tests run them: through a context that records what they say.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "merge/compose.h"
#include "split/page_export.h"
#include "support/readback.h"

namespace fixtures {

inline orvelle::ComposeResult compose(const std::vector<std::string>& sources,
                                      const std::string& output, bool allPages,
                                      RecordingContext& rec) {
    orvelle::JobContext context = rec.context();
    return orvelle::ComposeTiff({sources, output, allPages}, context);
}

// Every page at 100 % unless `percent` says otherwise.
inline orvelle::ExportAllResult exportAll(const std::string& source, const std::string& folder,
                                          orvelle::ExportFormat format, RecordingContext& rec,
                                          std::function<int()> percent = nullptr) {
    orvelle::JobContext context = rec.context();
    return orvelle::ExportAllPages({source, folder, format, std::move(percent)}, context);
}

}  // namespace fixtures
