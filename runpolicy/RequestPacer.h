// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the requests of a run apart: at most --rate a minute, and slower once
// the service has said it is being asked too often.
#pragma once

#include <chrono>
#include <optional>

#include "modTumblrInteraction.h"
#include "runpolicy/Waiter.h"

namespace qv::runpolicy {

class RequestPacer : public IRequestPacer {
public:
    // `interval` 0: no pace of our own.
    RequestPacer(IWaiter& waiter, std::chrono::milliseconds interval)
        : waiter_(waiter), interval_(interval) {}

    // At most `requestsPerMinute` a minute; 0 for no limit.
    static std::chrono::milliseconds IntervalForRate(int requestsPerMinute);

    void BeforeRequest() override;
    // From now on never faster than one request per `interval` (nor faster than before).
    void SlowTo(std::chrono::milliseconds interval);
    std::chrono::milliseconds Interval() const { return interval_; }

private:
    using Clock = std::chrono::steady_clock;
    IWaiter& waiter_;
    std::chrono::milliseconds interval_;
    std::optional<Clock::time_point> last_;
};

}  // namespace qv::runpolicy
