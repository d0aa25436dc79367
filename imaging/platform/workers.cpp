#include "workers.h"

#include <sched.h>

#include <condition_variable>
#include <mutex>
#include <algorithm>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "gdiplus_flat.h"

namespace gdip {
namespace {

class Pool {
public:
    bool tryRun(std::function<void()>& task, GpAsker asker) {
        std::unique_lock<std::mutex> lock(m_mutex);
        // A caller that works is one of the GdipWorkerCount() threads that may be at work.
        if (m_busy + (asker == GpAsker::Works ? 1 : 0) >= GdipWorkerCount()) return false;
        if (m_idle == 0 && !startThread()) return false;
        m_tasks.push_back(std::move(task));
        --m_idle;
        ++m_busy;
        lock.unlock();
        m_wake.notify_one();
        return true;
    }

private:
    // Called with the lock held.
    bool startThread() {
        try {
            std::thread([this] { serve(); }).detach();
        } catch (const std::system_error&) {
            return false;
        } catch (const std::bad_alloc&) {
            return false;
        }
        ++m_idle;
        return true;
    }

    [[noreturn]] void serve() {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return !m_tasks.empty(); });
            std::function<void()> task = std::move(m_tasks.back());
            m_tasks.pop_back();
            lock.unlock();
            task();
            task = nullptr;  // what it holds goes before the worker counts as free
            lock.lock();
            --m_busy;
            ++m_idle;
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::function<void()>> m_tasks;  // each already has a worker of its own
    uint32_t m_idle = 0;
    uint32_t m_busy = 0;
};

// Never destroyed: its threads outlive every static that might still hand it work.
Pool& pool() {
    static Pool* const instance = new Pool;
    return *instance;
}

}  // namespace

bool GdipTryRunOnWorker(std::function<void()>& task, GpAsker asker) { return pool().tryRun(task, asker); }

uint32_t coresAllowed() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return static_cast<uint32_t>(std::max(CPU_COUNT(&set), 1));
}

uint32_t workerCountFor(const char* asked, uint32_t cores) {
    uint64_t count = 0;
    for (const char c : std::string_view(asked ? asked : "")) {
        if (c < '0' || c > '9') {
            count = 0;
            break;
        }
        count = std::min<uint64_t>(count * 10 + static_cast<uint64_t>(c - '0'), kMostWorkers);
    }
    return std::clamp<uint32_t>(count ? static_cast<uint32_t>(count) : cores, 1, kMostWorkers);
}

uint32_t GdipPagesAtOnce(uint32_t width, uint32_t height, uint64_t pages) {
    constexpr uint64_t kHugePageBytes = uint64_t{64} << 20;  // decoded as 32-bit pixels
    const bool huge = uint64_t{width} * height * 4 > kHugePageBytes;
    return GdipWorkerCount() > 1 && pages > 1 && !huge ? 2 : 1;
}

}  // namespace gdip
