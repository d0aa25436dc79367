// The pages of one document worked on in lanes: as many pages at once as pagesAtOnce allows
// for pages the size of the first, each lane with a decoder of its own, used by one page at
// a time. Results come back here in page order, whatever the lanes.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "imaging/gdipobj.h"
#include "imaging/text_path.h"
#include "imaging/work_aside.h"

namespace orvelle {

// For i = 0 … count - 1: `start(i)`, on this thread, gives the work of item i, which runs
// with a lane's decoder on a worker of the pool (or on this thread when none is free); each
// result goes to `finish` on this thread, in order. `first` is the document's decoder, with
// its first page active or none decoded yet; the others are opened from `path` when first needed. Before item i
// is started, `stop(i)` may end the run: the items already on their way are finished, no
// new one starts, and the result is true.
template <typename Start, typename Finish, typename Stop>
bool runInPageLanes(std::unique_ptr<TGPImage> first, const std::string& path, size_t count, Start start,
                    Finish finish, Stop stop) {
    using Outcome = decltype(start(size_t{0})(*first));
    const auto [width, height] = first->PageSize(0);
    const size_t lanes = pagesAtOnce(width, height, count);
    std::vector<std::unique_ptr<TGPImage>> decoders;
    decoders.push_back(std::move(first));
    std::deque<std::future<Outcome>> inFlight;
    const auto finishOldest = [&] {
        // A page that found no free worker waits to be run here: it is run now, while the
        // oldest may still be running on its worker, rather than after it.
        for (size_t k = 1; k < inFlight.size(); ++k)
            if (inFlight[k].wait_for(std::chrono::seconds(0)) == std::future_status::deferred) inFlight[k].wait();
        Outcome outcome = inFlight.front().get();
        inFlight.pop_front();
        finish(std::move(outcome));
    };
    // Whatever ends the run early, no page is left running on a worker.
    WaitOnExit<std::deque<std::future<Outcome>>> drain{inFlight};
    for (size_t i = 0; i < count; ++i) {
        if (inFlight.size() == lanes) finishOldest();
        if (stop(i)) {
            while (!inFlight.empty()) finishOldest();
            return true;
        }
        const size_t lane = i % lanes;
        if (lane == decoders.size()) decoders.push_back(std::make_unique<TGPImage>(widenPath(path), false));
        TGPImage* decoder = decoders[lane].get();
        // This thread mostly waits for the lanes and hands their results on: the lanes may
        // have every worker, so that each starts its next page as soon as it is free.
        inFlight.push_back(
            startAside(lanes > 1, [decoder, work = start(i)] { return work(*decoder); }, Asker::Waits));
    }
    while (!inFlight.empty()) finishOldest();
    return false;
}

}  // namespace orvelle
