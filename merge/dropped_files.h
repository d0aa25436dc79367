// What a drop onto the merge list adds: the dropped files as given, and for a dropped
// folder the pictures directly in it, in natural order (page2 before page10).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvelle {

std::vector<std::string> droppedPictures(const std::vector<std::string>& paths);

// Whether a file name has one of the extensions the merge list offers, in any letter case.
bool isMergePictureName(std::string_view name);

// Natural order: runs of digits compare by their value, letters without regard to case,
// and names that still tie by their bytes.
bool naturalLess(std::string_view a, std::string_view b);

}  // namespace orvelle
