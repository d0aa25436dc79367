// A request to stop a long job after the page in hand: set from the window's Escape key or
// a signal handler, read by the job between pages.
#pragma once

#include <atomic>

namespace orvelle {

class JobCancel {
public:
    // Safe in a signal handler: one lock-free store.
    void request() { m_requested.store(true, std::memory_order_relaxed); }
    bool requested() const { return m_requested.load(std::memory_order_relaxed); }
    void reset() { m_requested.store(false, std::memory_order_relaxed); }

private:
    std::atomic<bool> m_requested{false};
    static_assert(std::atomic<bool>::is_always_lock_free);
};

}  // namespace orvelle
