#include "parallel_bands.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
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

GpStatus runInOrder(size_t count, size_t ahead, const std::function<GpStatus(size_t, size_t)>& make,
                    const std::function<GpStatus(size_t, size_t)>& take) {
    ahead = std::max<size_t>(1, ahead);
    // Items are claimed in order by whichever thread is free, so that a worker done with one
    // goes on to the next without waiting for this thread to hand it over.
    std::mutex mutex;
    std::condition_variable madeOne;
    size_t next = 0, taken = 0;  // guarded by `mutex`
    bool stop = false;
    std::vector<char> made(ahead, 0);
    std::vector<GpStatus> status(ahead, Ok);
    const auto claimable = [&] { return !stop && next < count && next - taken < ahead; };
    const auto claim = [&](size_t& i) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!claimable()) return false;
        i = next++;
        return true;
    };
    const auto makeOne = [&](size_t i) {
        GpStatus result;
        try {
            result = make(i % ahead, i);
        } catch (const std::bad_alloc&) {
            result = OutOfMemory;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            status[i % ahead] = result;
            made[i % ahead] = 1;
        }
        madeOne.notify_all();
    };
    const auto work = [&] {
        for (size_t i; claim(i);) makeOne(i);
    };
    std::vector<std::future<void>> runners;
    GpWaitOnExit<std::vector<std::future<void>>> wait{runners};
    // Gone before the wait above: no runner claims another item once this thread returns.
    struct StopClaims {
        std::mutex& mutex;
        bool& stop;
        ~StopClaims() {
            std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
    } const stopClaims{mutex, stop};
    while (taken < count) {
        std::erase_if(runners, [](const std::future<void>& r) {
            return r.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        });
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (!claimable()) break;
            }
            std::future<void> runner = GdipStartBeside(work);
            if (!runner.valid()) break;
            runners.push_back(std::move(runner));
        }
        const size_t head = taken % ahead;
        std::unique_lock<std::mutex> lock(mutex);
        if (made[head]) {
            GpStatus result = status[head];
            lock.unlock();
            if (result == Ok) {
                try {
                    result = take(head, taken);
                } catch (const std::bad_alloc&) {
                    result = OutOfMemory;
                }
            }
            if (result != Ok) return result;
            lock.lock();
            made[head] = 0;
            ++taken;
            continue;
        }
        lock.unlock();
        // This thread makes the next item too rather than wait, when there is one.
        if (size_t i; claim(i)) {
            makeOne(i);
            continue;
        }
        lock.lock();
        madeOne.wait(lock, [&] { return made[head] != 0; });
    }
    return Ok;
}

}  // namespace gdip
