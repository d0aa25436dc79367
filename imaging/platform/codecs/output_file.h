// A file written beside its destination and put in place only when complete: a failed save
// leaves no partial file and an existing file untouched. Where the file system allows it the
// file has no name until then, so a process killed half-way leaves nothing behind; elsewhere
// it has a hidden temporary name. A completed file is flushed to the disk before it replaces
// an old one, and its folder after it.
#pragma once

#include <cstdio>
#include <string>

#include "../gdiplus_flat.h"

namespace gdip::codecs {

// The hidden names of the files that process `pid` of this machine is writing begin so:
// ".orvelle-<machine>-<pid>-". Those of processes that are gone are removed when an output
// is next created in their folder.
std::string temporaryNamePrefix(int pid);

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // abandons what was not committed

    // Creates the unfinished file in the destination's folder. A destination that exists and
    // is not a regular file (a folder, a FIFO, a device), or a link to one, is refused with
    // AccessDenied: replacing it would lose what it is.
    [[nodiscard]] GpStatus create(const std::string& destination);

    std::FILE* stream() const { return m_stream; }
    int descriptor() const;

    // Flushes, closes and puts the file in place of the destination.
    [[nodiscard]] GpStatus commit();
    // Drops the unfinished file.
    void abandon();
    // What a write that failed ran into, as far as a status says it: InsufficientBuffer when
    // the file system is full, else Win32Error.
    GpStatus writeFailure() const;

private:
    GpStatus place();

    std::string m_destination;
    std::string m_temporary;  // the file's hidden name; empty while it has none
    std::FILE* m_stream = nullptr;
};

}  // namespace gdip::codecs
