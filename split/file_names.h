// The names of the files the split job writes.
#pragma once

#include <cstdint>
#include <string>

namespace orvelle {

// The text after the last "/", or the whole text when there is none.
std::string FileNameOf(const std::string& path);

// The text before the last ".", or the whole text when there is none (".tif" gives "").
std::string StripExtension(const std::string& name);

// folder + "/" (unless it already ends in one) + source stem + "_" + page number from 1 +
// extension: "/out" and "/scans/report.tif" give "/out/report_1.PNG" for page 0 as PNG.
// With `digits`, the number is padded with zeros to that many digits ("report_007.PNG").
std::string pageOutputName(const std::string& folder, const std::string& sourcePath,
                           uint32_t pageIndex, const std::string& extension, int digits = 0);

// How many digits the largest of `count` page numbers has (1 for up to 9 pages).
int pageNumberDigits(uint32_t count);

// `path` with `extension` (".PNG") added when its file name has none, as a save dialog
// completes a typed name: "/out/page" gives "/out/page.PNG", "/out/page.jpg" stays.
std::string withDefaultExtension(const std::string& path, const std::string& extension);

}  // namespace orvelle
