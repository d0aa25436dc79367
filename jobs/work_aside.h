// Work started beside the caller: on a thread of its own when that is wanted and a thread
// can be had, else run on the caller's thread when its result is asked for. Either way the
// result comes through the same future, whose destructor waits for the work.
#pragma once

#include <future>
#include <system_error>
#include <utility>

namespace orvelle {

template <typename Work>
auto startAside(bool onAThread, Work work) -> std::future<decltype(work())> {
    if (onAThread) {
        try {
            return std::async(std::launch::async, work);
        } catch (const std::system_error&) {
        }
    }
    return std::async(std::launch::deferred, std::move(work));
}

// Waits, when it goes, for every piece of work still pending in `pending` (futures from
// startAside): whatever ends a run early, nothing is left running on a thread.
template <typename Futures>
struct WaitOnExit {
    Futures& pending;
    ~WaitOnExit() {
        for (auto& work : pending)
            if (work.valid()) work.wait();
    }
};

}  // namespace orvelle
