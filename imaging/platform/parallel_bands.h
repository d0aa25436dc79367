// Runs independent bands of one piece of work (the strips of a page, say) on several
// threads at once: band 0 on the calling thread, each other band on a free worker of the
// pool (workers.h), or on the calling thread when none is free.
#pragma once

#include <cstddef>
#include <functional>

#include "gdiplus_flat.h"

namespace gdip {

// Runs `band(0)` … `band(count - 1)` and waits for all of them; Ok when every band was, else
// the status of the first band (in band order) that failed. `band` must not throw.
GpStatus runBands(size_t count, const std::function<GpStatus(size_t)>& band);

// Runs `item(0)` … `item(count - 1)` in min(`bands`, `count`) bands of consecutive items,
// each band's items in order, and waits for all of them. Ok when every item was, else the
// status of the first band that failed, which stopped at its first failing item. An item
// that runs out of memory (std::bad_alloc) fails with OutOfMemory.
GpStatus runItemsInBands(size_t count, size_t bands, const std::function<GpStatus(size_t)>& item);

}  // namespace gdip
