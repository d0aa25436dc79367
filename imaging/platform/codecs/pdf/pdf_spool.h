// Where a PDF's picture data waits until the document is written: an unnamed temporary file,
// read back stream by stream as the library writes. A document of any length holds one
// page in memory, not all of them.
#pragma once

#include <qpdf/JSON.hh>  // complete before the object handles, as clang requires
#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>
#include <cstdint>
#include <map>

#include "../file_handle.h"
#include "../stored_image.h"

namespace gdip::codecs {

class PdfSpool final : public QPDFObjectHandle::StreamDataProvider {
public:
    // False when no temporary file can be made.
    bool open();
    // Appends `size` bytes to the data of stream `id`; a stream's pieces come one after
    // another. False when the write failed (a full disk).
    bool append(QPDFObjGen id, const void* bytes, size_t size);
    // Gives stream `id` the bytes `piece` names, read from its file when the stream is
    // written; that file must then be as it was.
    void refer(QPDFObjGen id, const FilePiece& piece) { m_pieces[id] = piece; }
    // Whether any write failed: the document cannot be written then.
    bool broken() const { return m_broken; }

    void provideStreamData(QPDFObjGen const& id, Pipeline* pipeline) override;

private:
    struct Slice {
        uint64_t offset = 0;
        uint64_t size = 0;
    };
    FilePtr m_file;
    uint64_t m_end = 0;
    bool m_broken = false;
    bool m_flushed = false;
    std::map<QPDFObjGen, Slice> m_slices;
    std::map<QPDFObjGen, FilePiece> m_pieces;
    // The file pieces are read from, kept open while they come from the same one.
    std::string m_openPath;
    UniqueFd m_open;
};

}  // namespace gdip::codecs
