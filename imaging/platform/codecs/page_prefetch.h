// Reading the next page of a document on a worker of the pool while the caller works on the
// one it has: a document read page after page then decodes and uses pages at the same time,
// holding at most two.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>

#include "../gdiplus_flat.h"
#include "../raster.h"

namespace gdip::codecs {

class PagePrefetch {
public:
    // Reads page `index` into `out`; may stop early when `stop` is set, and may decline a
    // page (returning Aborted) that is too large to hold beside another.
    using ReadPage = std::function<GpStatus(uint32_t index, Frame& out, const std::atomic<bool>& stop)>;

    PagePrefetch() = default;
    ~PagePrefetch() { cancel(); }
    PagePrefetch(const PagePrefetch&) = delete;
    PagePrefetch& operator=(const PagePrefetch&) = delete;

    // Starts reading page `index` in the background; nothing when no worker is free.
    void start(uint32_t index, ReadPage read);

    // When the read in progress is of page `index`, waits for it and, unless the page was
    // declined, moves the page (or its failure, the reason in the frame) to the caller and
    // returns true; any other read is stopped and dropped, and false returned.
    bool take(uint32_t index, Frame& out, GpStatus& status);

    // Stops the read in progress as soon as it can and drops it.
    void cancel();

private:
    std::future<void> m_pending;
    std::atomic<bool> m_stop{false};
    uint32_t m_index = 0;
    Frame m_frame;
    GpStatus m_status = Ok;
};

}  // namespace gdip::codecs
