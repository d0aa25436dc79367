// Where a PDF's picture data waits until the document is written: an unnamed temporary file,
// read back stream by stream as the library writes. A document of any length holds one
// page in memory, not all of them.
#pragma once

#include <qpdf/JSON.hh>  // complete before the object handles, as clang requires
#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "../file_handle.h"
#include "../stored_image.h"

namespace gdip::codecs {

class PdfSpool final : public QPDFObjectHandle::StreamDataProvider {
public:
    // Appends `size` bytes to the data of stream `id`; a stream's pieces come one after
    // another; the first makes the temporary file. False when that or the write failed.
    bool append(QPDFObjGen id, const void* bytes, size_t size);
    // Gives stream `id` the bytes `piece` names, read from its file when the stream is
    // written; that file must then be as it was.
    void refer(QPDFObjGen id, const FilePiece& piece) { m_pieces[id] = piece; }
    // Whether any write failed: the document cannot be written then.
    bool broken() const { return m_broken; }
    // Why the data could not be kept or given back ("the temporary file in /tmp: No space
    // left on device", "a.jpg changed while it was being merged"); empty while it could.
    const std::string& failure() const { return m_failure; }

    void provideStreamData(QPDFObjGen const& id, Pipeline* pipeline) override;

private:
    // False, with failure(), when no temporary file can be made. The file is made in
    // $TMPDIR, else /tmp, and has no name.
    bool open();
    // Notes what went wrong with the temporary file, with the system's words for `error`.
    void spoiled(int error);

    struct Slice {
        uint64_t offset = 0;
        uint64_t size = 0;
    };
    FilePtr m_file;
    uint64_t m_end = 0;
    bool m_broken = false;
    bool m_flushed = false;
    std::string m_folder;
    std::string m_failure;
    std::map<QPDFObjGen, Slice> m_slices;
    std::map<QPDFObjGen, FilePiece> m_pieces;
    // The file pieces are read from, kept open while they come from the same one.
    std::string m_openPath;
    UniqueFd m_open;
};

}  // namespace gdip::codecs
