#include "page_prefetch.h"

#include <new>

namespace gdip::codecs {

void PagePrefetch::start(uint32_t index, ReadPage read) {
    cancel();
    m_stop = false;
    m_index = index;
    m_status = Aborted;
    try {
        // Reading ahead is worth it only beside the caller, never instead of its own work.
        m_pending = GdipStartBeside([this, read = std::move(read)] {
            try {
                m_status = read(m_index, m_frame, m_stop);
            } catch (const std::bad_alloc&) {
                m_frame = Frame{};
                m_status = OutOfMemory;
            }
        });
    } catch (const std::bad_alloc&) {
    }
}

bool PagePrefetch::take(uint32_t index, Frame& out, GpStatus& status) {
    if (!m_pending.valid()) return false;
    if (m_index != index) {
        cancel();
        return false;
    }
    m_pending.get();
    const bool usable = m_status != Aborted;
    if (usable) {
        out = std::move(m_frame);
        status = m_status;
    }
    m_frame = Frame{};
    return usable;
}

void PagePrefetch::cancel() {
    m_stop = true;
    if (m_pending.valid()) m_pending.get();
    m_frame = Frame{};
}

}  // namespace gdip::codecs
