// Whether a file may be written at a path, asked before a job writes anything there, and the
// reason in the system's words when it may not.
#pragma once

#include <string>

namespace orvelle {

// Empty when `path` names a file that can be created or replaced; otherwise why not: the
// folder it would go in is missing or not a folder, its name is too long, or the path is a
// folder, a FIFO, a device or a socket (or a link to one), which a picture must not replace.
std::string outputRefusal(const std::string& path);

}  // namespace orvelle
