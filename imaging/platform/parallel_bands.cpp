#include "parallel_bands.h"

#include <system_error>
#include <thread>
#include <vector>

namespace gdip {

GpStatus runBands(size_t count, const std::function<GpStatus(size_t)>& band) {
    std::vector<GpStatus> results(count, Ok);
    std::vector<std::thread> threads;
    std::vector<size_t> leftOver;
    for (size_t b = 1; b < count; ++b) {
        try {
            threads.emplace_back([&results, &band, b] { results[b] = band(b); });
        } catch (const std::system_error&) {
            leftOver.push_back(b);
        } catch (const std::bad_alloc&) {
            leftOver.push_back(b);
        }
    }
    if (count > 0) results[0] = band(0);
    for (size_t b : leftOver) results[b] = band(b);
    for (std::thread& thread : threads) thread.join();
    for (GpStatus status : results)
        if (status != Ok) return status;
    return Ok;
}

}  // namespace gdip
