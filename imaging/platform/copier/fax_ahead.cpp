#include "fax_ahead.h"

#include <tiffio.h>

#include <new>

#include "../codecs/file_handle.h"
#include "../workers.h"

namespace gdip::codecs {

void FaxAhead::start(uint32_t page, const Piece& piece, int fd, Want want) {
    drop();
    Slot& slot = m_slot;
    slot.page = page;
    slot.piece = piece;
    slot.want = want;
    slot.clean = false;
    slot.work = GdipStartBeside([&slot, fd] {
        try {
            const uint64_t lineBytes = (uint64_t{slot.piece.width} + 7) / 8;
            slot.data.resize(static_cast<size_t>(slot.piece.size));
            const bool drawn = slot.want == Want::Rows;
            if (drawn) slot.rows.resize(static_cast<size_t>(lineBytes * slot.piece.height));
            if (!readFully(fd, slot.piece.offset, slot.data.data(), slot.data.size())) return;
            if (slot.piece.reversed) TIFFReverseBits(slot.data.data(), static_cast<tmsize_t>(slot.data.size()));
            slot.clean = slot.reader.read(slot.data.data(), slot.data.size(), slot.piece.width, slot.piece.height,
                                          drawn ? slot.rows.data() : nullptr, drawn ? static_cast<size_t>(lineBytes) : 0);
        } catch (const std::bad_alloc&) {
            slot.clean = false;
        }
    });
    if (!slot.work.valid()) slot.page = UINT32_MAX;
}

const uint8_t* FaxAhead::rows(uint32_t page, const Piece& piece) {
    return m_slot.want == Want::Rows && clean(page, piece) ? m_slot.rows.data() : nullptr;
}

bool FaxAhead::clean(uint32_t page, const Piece& piece) {
    if (m_slot.page != page) return false;
    if (m_slot.work.valid()) m_slot.work.get();
    return m_slot.clean && piece == m_slot.piece;
}

void FaxAhead::drop() {
    if (m_slot.work.valid()) m_slot.work.get();
    m_slot.page = UINT32_MAX;
    m_slot.clean = false;
}

}  // namespace gdip::codecs
