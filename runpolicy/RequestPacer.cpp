// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpolicy/RequestPacer.h"

#include <algorithm>

namespace qv::runpolicy {

std::chrono::milliseconds RequestPacer::IntervalForRate(int requestsPerMinute) {
    if (requestsPerMinute <= 0) return std::chrono::milliseconds(0);
    return std::chrono::milliseconds((60'000 + requestsPerMinute - 1) / requestsPerMinute);
}

void RequestPacer::BeforeRequest() {
    if (last_ && interval_.count() > 0) {
        const auto due = *last_ + interval_;
        const auto now = Clock::now();
        // A stop ends the wait; the request that follows is then cancelled at once.
        if (due > now) waiter_.Wait(std::chrono::duration_cast<std::chrono::milliseconds>(due - now));
    }
    last_ = Clock::now();
}

void RequestPacer::SlowTo(std::chrono::milliseconds interval) { interval_ = std::max(interval_, interval); }

}  // namespace qv::runpolicy
