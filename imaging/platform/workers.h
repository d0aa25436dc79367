// The one pool of threads in the program, the only place that starts one, and how work is
// handed to it; part of the flat interface (gdiplus_flat.h, "work beside the caller").
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <utility>

namespace gdip {

// The most threads the program lets work at once.
constexpr uint32_t kMostWorkers = 64;

// The cores this process may run on: taskset, cgroup cpusets and the like narrow it.
uint32_t coresAllowed();

// How many threads may work at once: `asked` (ORVELLE_WORKERS) when it is a whole number
// from 1 up, at most kMostWorkers; else `cores`, at least 1 and at most kMostWorkers.
uint32_t workerCountFor(const char* asked, uint32_t cores);


// Whether the thread that asks for a worker goes on working (and so counts as one of the
// threads at work) or only waits for the results and hands them on, lending its place.
enum class GpAsker { Works, Waits };

// Hands `task` to a free worker and returns true; false, with `task` untouched, when every
// worker allowed is busy (or no thread can be had).
bool GdipTryRunOnWorker(std::function<void()>& task, GpAsker asker = GpAsker::Works);

// How many pages of `width` x `height` pixels are worked on at once when `pages` of them are
// to be done: two, each on a thread, when more than one thread may work, more than one page
// is to be done and the pages are not huge; otherwise one. A huge page (over 64 MiB decoded)
// held twice costs more memory than the second core saves time. The lanes of a split, the
// page read ahead and a merge's next source all ask here.
uint32_t GdipPagesAtOnce(uint32_t width, uint32_t height, uint64_t pages);

// `work()` on a free worker, when one is free; otherwise an empty future (not valid()), for
// work worth doing only beside the caller, never instead of its own.
template <typename Work>
auto GdipStartBeside(const Work& work, GpAsker asker = GpAsker::Works) -> std::future<decltype(work())> {
    using Result = decltype(work());
    auto packaged = std::make_shared<std::packaged_task<Result()>>(work);
    std::future<Result> result = packaged->get_future();
    std::function<void()> task = [packaged] { (*packaged)(); };
    if (GdipTryRunOnWorker(task, asker)) return result;
    return {};
}

// `work()` on a free worker when `wanted` and one is free, else on the caller's thread when
// its result is asked for. The future's result is the same either way; a future of work
// handed to a worker does not wait in its destructor (see GpWaitOnExit).
template <typename Work>
auto GdipStartAside(bool wanted, Work work, GpAsker asker = GpAsker::Works) -> std::future<decltype(work())> {
    if (wanted)
        if (auto result = GdipStartBeside(work, asker); result.valid()) return result;
    return std::async(std::launch::deferred, std::move(work));
}

// Waits, when it goes, for every piece of work still pending in `pending` (futures from
// GdipStartAside): whatever ends a run early, nothing is left running on a worker.
template <typename Futures>
struct GpWaitOnExit {
    Futures& pending;
    ~GpWaitOnExit() {
        for (auto& work : pending)
            if (work.valid()) work.wait();
    }
};

}  // namespace gdip
