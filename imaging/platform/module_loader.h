// Modules the back end loads the first time they are needed, never links: the PDF renderer
// (Qt's libraries) and the text recogniser (tesseract and its data), which take longer to
// load than most jobs take. Each is a shared object with one entry point that gives a table
// of plain C functions.
#pragma once

#include <string>

namespace gdip {

// The table that module `fileName` (as "liborvelle_x.so") gives through its entry point
// `entry`: looked for where it is installed beside the running program (the library folder
// of the prefix the program is in), then at `builtPath`, where the build tree put it. Null,
// with `why` ("it is not installed (…)", the loader's words), when it cannot be had. Each
// module is looked for once, whoever asks; loaded modules stay loaded: they keep threads and
// state of their own.
const void* loadModule(const std::string& fileName, const std::string& builtPath, const char* entry, std::string& why);

}  // namespace gdip
