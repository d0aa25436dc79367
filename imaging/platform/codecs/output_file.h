// A file written beside its destination under a temporary name and renamed into place only
// when complete: a failed save leaves no partial file and an existing file untouched.
#pragma once

#include <cstdio>
#include <string>

#include "../gdiplus_flat.h"

namespace gdip::codecs {

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // abandons what was not committed

    // Creates the temporary file in the destination's folder.
    [[nodiscard]] GpStatus create(const std::string& destination);

    std::FILE* stream() const { return m_stream; }
    int descriptor() const;
    const std::string& temporaryPath() const { return m_temporary; }

    // Flushes, closes and renames the temporary file over the destination.
    [[nodiscard]] GpStatus commit();
    // Removes the temporary file.
    void abandon();

private:
    std::string m_destination;
    std::string m_temporary;
    std::FILE* m_stream = nullptr;
};

}  // namespace gdip::codecs
