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

// Makes items 0 … `count` - 1 with `make(slot, i)` on free workers and on the calling thread,
// and hands each to `take(slot, i)` on the calling thread, in order, as soon as it and those
// before it are made: a pipeline without a pause between batches. At most `ahead` items are
// made and not yet taken; an item's slot (i % `ahead`) is where `make` leaves it for `take`.
// Ok, or the first failure in item order, `make`'s or `take`'s (an item that runs out of
// memory fails with OutOfMemory); nothing is left running when it returns.
GpStatus runInOrder(size_t count, size_t ahead, const std::function<GpStatus(size_t, size_t)>& make,
                    const std::function<GpStatus(size_t, size_t)>& take);

}  // namespace gdip
