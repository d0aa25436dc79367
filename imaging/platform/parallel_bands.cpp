#include "parallel_bands.h"

#include <future>
#include <vector>

#include "workers.h"

namespace gdip {

GpStatus runBands(size_t count, const std::function<GpStatus(size_t)>& band) {
    std::vector<GpStatus> results(count, Ok);
    std::vector<std::future<void>> pending;
    // Every band that finds a free worker goes there; the rest run here, in order.
    WaitOnExit<std::vector<std::future<void>>> wait{pending};
    for (size_t b = 1; b < count; ++b)
        pending.push_back(startAside(true, [&results, &band, b] { results[b] = band(b); }));
    if (count > 0) results[0] = band(0);
    for (std::future<void>& work : pending) work.get();
    for (GpStatus status : results)
        if (status != Ok) return status;
    return Ok;
}

}  // namespace gdip
