// Work started beside the caller, on a free worker of the one pool of threads, or on the
// caller's thread when none is free: what the jobs need of the pool (the rule is the flat
// interface's, gdiplus_flat.h).
#pragma once

#include <cstdint>
#include <utility>

#include "gdipapi.h"

namespace orvelle {

// Whether the thread that asks goes on working, or only waits for the results and hands
// them on, lending its place to the work.
enum class Asker { Works, Waits };

// How many pages of `width` x `height` are worked on at once when `pages` of them are to be
// done: one or two.
inline uint32_t pagesAtOnce(uint32_t width, uint32_t height, uint64_t pages) {
    return gdip::GdipPagesAtOnce(width, height, pages);
}

// `work()` on a free worker when `wanted` and one is free, else on this thread when its
// result is asked for; the result is the same either way.
template <typename Work>
auto startAside(bool wanted, Work work, Asker asker = Asker::Works) {
    return gdip::GdipStartAside(wanted, std::move(work), asker == Asker::Waits ? gdip::GpAsker::Waits : gdip::GpAsker::Works);
}

// Waits, when it goes, for every piece of work still pending in a container of futures from
// startAside: whatever ends a run early, nothing is left running on a worker.
template <typename Futures>
using WaitOnExit = gdip::GpWaitOnExit<Futures>;

}  // namespace orvelle
