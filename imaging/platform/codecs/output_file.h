// A file written beside its destination and put in place only when complete: a failed save
// leaves no partial file and an existing file untouched. Where the file system allows it the
// file has no name until then, so a process killed half-way leaves nothing behind; elsewhere
// it has a hidden temporary name. A completed file is flushed to the disk before it replaces
// an old one, and its folder after it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

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

    // Flushes, closes and puts the file in place of the destination. While an OutputBatch
    // is open the file is handed to it instead, complete but not yet named.
    [[nodiscard]] GpStatus commit();
    // Drops the unfinished file.
    void abandon();
    // What a write that failed ran into, as far as a status says it: InsufficientBuffer when
    // the file system is full, else Win32Error.
    GpStatus writeFailure() const;

    // Starts writing what is written so far to the disk, without waiting for it: a large
    // file's final flush then finds little left.
    void startWriteBack();

private:
    friend class OutputBatch;
    GpStatus place();

    std::string m_given;  // the destination as the caller named it
    std::string m_destination;
    std::string m_temporary;  // the file's hidden name; empty while it has none
    std::FILE* m_stream = nullptr;
};

// The outputs of one job, complete but not yet named: one flush of their file system for all
// of them, then each is named, then each folder flushed once. A power cut leaves an output
// either as it was or complete, as a flush per file does, at the cost of one.
class OutputBatch {
public:
    struct Failure {
        std::string destination;  // as the writer named it
        GpStatus status;
    };

    // Opens the batch the outputs of this process go to until it is settled; false when one
    // is open already (its outputs are then committed one by one).
    static bool open();
    // Names every output handed over since open() and closes the batch; the outputs that
    // could not be named (nothing of them is left) with why.
    static std::vector<Failure> settle();

private:
    friend class OutputFile;
    // Takes `file`'s complete stream when a batch is open; false otherwise.
    static bool take(OutputFile& file);
};

}  // namespace gdip::codecs
