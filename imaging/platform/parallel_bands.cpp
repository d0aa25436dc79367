#include "parallel_bands.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <new>
#include <vector>

#include "workers.h"

namespace gdip {

GpStatus runBands(size_t count, const std::function<GpStatus(size_t)>& band) {
    std::vector<GpStatus> results(count, Ok);
    std::vector<std::future<void>> pending;
    // Every band that finds a free worker goes there; the rest run here, in order.
    GpWaitOnExit<std::vector<std::future<void>>> wait{pending};
    for (size_t b = 1; b < count; ++b)
        pending.push_back(GdipStartAside(true, [&results, &band, b] { results[b] = band(b); }));
    if (count > 0) results[0] = band(0);
    // Bands that found no worker run here before this thread waits for any that did.
    for (std::future<void>& work : pending)
        if (work.wait_for(std::chrono::seconds(0)) == std::future_status::deferred) work.get();
    for (std::future<void>& work : pending)
        if (work.valid()) work.get();
    for (GpStatus status : results)
        if (status != Ok) return status;
    return Ok;
}

GpStatus runItemsInBands(size_t count, size_t bands, const std::function<GpStatus(size_t)>& item) {
    bands = std::min(bands, count);
    return runBands(bands, [&](size_t band) {
        try {
            for (size_t i = count * band / bands; i < count * (band + 1) / bands; ++i)
                if (const GpStatus status = item(i); status != Ok) return status;
            return Ok;
        } catch (const std::bad_alloc&) {
            return OutOfMemory;
        }
    });
}

}  // namespace gdip
