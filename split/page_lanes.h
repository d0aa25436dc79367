// The pages of one document worked on in lanes: as many pages at once as pagesAtOnce allows
// for pages the size of the first, each with a decoder of its own, used by one page at a
// time. Results come back here in page order, whatever the lanes.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "imaging/gdipobj.h"
#include "imaging/text_path.h"
#include "imaging/work_aside.h"

namespace orvelle {

// For i = 0 … count - 1: `start(i)`, on this thread, gives the work of item i, which runs
// with a free decoder on a worker of the pool (or on this thread when none is free); each
// result goes to `finish` on this thread, in order. `first` is the document's decoder, with
// its first page active or none decoded yet; the others are opened from `path` when first
// needed. Before item i is started, `stop(i)` may end the run: the items already on their
// way are finished, no new one starts, and the result is true.
//
// A lane that is free takes the next page, whichever lane had the page before: pages differ
// in cost, and a lane bound to every other page would wait for the slower one's turn.
template <typename Start, typename Finish, typename Stop>
bool runInPageLanes(std::unique_ptr<TGPImage> first, const std::string& path, size_t count, Start start,
                    Finish finish, Stop stop) {
    using Work = decltype(start(size_t{0}));
    using Outcome = decltype(start(size_t{0})(*first));
    const auto [width, height] = first->PageSize(0);
    const size_t lanes = pagesAtOnce(width, height, count);
    if (lanes <= 1) {
        for (size_t i = 0; i < count; ++i) {
            if (stop(i)) return true;
            finish(start(i)(*first));
        }
        return false;
    }

    // Items started and not yet handed on, at most `window`: a lane may run one page ahead
    // of a slow page, that page held only as its small outcome.
    const size_t window = lanes + 1;
    struct Done {
        std::optional<Outcome> outcome;
        std::exception_ptr failure;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<size_t, Work>> waiting;  // started, not yet taken by a lane
    std::vector<Done> done(window);               // item i's result at i % window
    std::vector<std::unique_ptr<TGPImage>> decoders(lanes);
    std::vector<bool> busy(lanes, false);
    decoders[0] = std::move(first);
    bool closed = false;

    // Runs the oldest waiting item with a free decoder; false when there is none of either.
    // Called with `lock` held, and returns with it held.
    const auto runOne = [&](std::unique_lock<std::mutex>& lock) {
        size_t lane = 0;
        while (lane < lanes && busy[lane]) ++lane;
        if (waiting.empty() || lane == lanes) return false;
        auto [index, work] = std::move(waiting.front());
        waiting.pop_front();
        busy[lane] = true;
        lock.unlock();
        Done result;
        try {
            if (!decoders[lane]) decoders[lane] = std::make_unique<TGPImage>(widenPath(path), false);
            result.outcome.emplace(work(*decoders[lane]));
        } catch (...) {
            result.failure = std::current_exception();
        }
        lock.lock();
        busy[lane] = false;
        done[index % window] = std::move(result);
        changed.notify_all();
        return true;
    };
    const auto lane = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return closed || !waiting.empty(); });
            if (waiting.empty()) return;
            if (!runOne(lock)) changed.wait(lock);
        }
    };

    // This thread mostly waits for the lanes and hands their results on: the lanes may have
    // every worker. It runs pages itself, as the lanes that found no worker, while it waits.
    std::vector<std::future<void>> running;
    size_t onWorkers = 0;
    for (size_t k = 0; k < lanes; ++k) {
        running.push_back(startAside(true, lane, Asker::Waits));
        if (running.back().wait_for(std::chrono::seconds(0)) != std::future_status::deferred) ++onWorkers;
    }
    struct Close {
        std::mutex& mutex;
        std::condition_variable& changed;
        bool& closed;
        std::deque<std::pair<size_t, Work>>& waiting;
        std::vector<std::future<void>>& running;
        // Whatever ends the run early, no page is left running on a worker, and none begun.
        ~Close() {
            {
                std::lock_guard<std::mutex> lock(mutex);
                closed = true;
                waiting.clear();
            }
            changed.notify_all();
            for (auto& work : running) work.wait();
        }
    } close{mutex, changed, closed, waiting, running};

    bool stopped = false;
    size_t started = 0;
    for (size_t taken = 0; taken < count; ++taken) {
        while (!stopped && started < count && started < taken + window) {
            if (stop(started)) {
                stopped = true;
                break;
            }
            Work work = start(started);
            {
                std::lock_guard<std::mutex> lock(mutex);
                waiting.emplace_back(started, std::move(work));
            }
            ++started;
            changed.notify_all();
        }
        if (taken == started) break;
        Done result;
        {
            std::unique_lock<std::mutex> lock(mutex);
            Done& slot = done[taken % window];
            while (!slot.outcome && !slot.failure)
                if (onWorkers == lanes || !runOne(lock)) changed.wait(lock);
            result = std::move(slot);
            slot = Done{};
        }
        if (result.failure) std::rethrow_exception(result.failure);
        finish(std::move(*result.outcome));
    }
    return stopped;
}

}  // namespace orvelle
