#include "page_prefetch.h"

#include <new>
#include <system_error>

#include "failure_reason.h"

namespace gdip::codecs {

void PagePrefetch::start(uint32_t index, ReadPage read) {
    cancel();
    m_stop = false;
    m_index = index;
    m_status = Aborted;
    try {
        m_thread = std::thread([this, read = std::move(read)] {
            clearFailureReason();
            try {
                m_status = read(m_index, m_frame, m_stop);
            } catch (const std::bad_alloc&) {
                m_frame = Frame{};
                m_status = OutOfMemory;
            }
            // The reason is noted on this thread; the caller's thread gets it on taking.
            m_reason = failureReason();
        });
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
}

void PagePrefetch::join() {
    if (m_thread.joinable()) m_thread.join();
}

bool PagePrefetch::take(uint32_t index, Frame& out, GpStatus& status) {
    if (!m_thread.joinable()) return false;
    join();
    const bool usable = m_index == index && m_status != Aborted;
    if (usable) {
        out = std::move(m_frame);
        status = m_status;
        if (status != Ok && !m_reason.empty()) noteFailureReason(m_reason);
    }
    m_frame = Frame{};
    return usable;
}

void PagePrefetch::cancel() {
    m_stop = true;
    join();
    m_frame = Frame{};
}

}  // namespace gdip::codecs
