// SPDX-License-Identifier: GPL-3.0-or-later
// How often and after how long a run asks again: each page has its retries,
// the first after the configured delay, each pause twice the last, unless the
// service said how long to wait.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace qv::runpolicy {

// No wait between retries is longer, whatever the service or the doubling say.
inline constexpr std::chrono::seconds kLongestWait{600};
// Nor any wait for a service that throttles.
inline constexpr std::chrono::seconds kLongestThrottleWait{900};
// A pace that a throttling service has been seen to accept.
inline constexpr std::chrono::milliseconds kThrottledInterval{1500};

struct RetryRules {
    int retries = 3;
    std::chrono::seconds delay{5};
    // The waits for a throttling service may add up to this before the run gives up.
    std::chrono::seconds maxWait{6 * 3600};
};

// Counts retries per page: the count and the doubling start again when the
// run moves on to the next page. Each kind of question has a count of its own.
class RetryPolicy {
public:
    enum Question { PageFailed = 0, DummyRequestFailed = 1, PageUnreadable = 2 };
    struct Decision {
        bool retry = false;
        int attempt = 0;  // 1 for the first retry of the page
        std::chrono::seconds wait{0};
        bool serviceAsked = false;  // `wait` is the answer's Retry-After
    };

    explicit RetryPolicy(RetryRules rules) : rules_(rules) {}
    Decision Next(Question question, int32_t page, std::optional<int> retryAfterSeconds);
    const RetryRules& Rules() const { return rules_; }

private:
    RetryRules rules_;
    std::optional<int32_t> page_;
    int used_[3] = {0, 0, 0};
};

}  // namespace qv::runpolicy
