// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpolicy/RetryPolicy.h"

#include <algorithm>

#include "Backoff.h"

namespace qv::runpolicy {

RetryPolicy::Decision RetryPolicy::Next(Question question, int32_t page, std::optional<int> retryAfterSeconds) {
    if (page_ != page) {
        page_ = page;
        used_[PageFailed] = used_[DummyRequestFailed] = used_[PageUnreadable] = 0;
    }
    Decision decision;
    int& used = used_[question];
    if (used >= rules_.retries) {
        decision.attempt = used;
        return decision;
    }
    decision.retry = true;
    decision.attempt = ++used;
    if (retryAfterSeconds && *retryAfterSeconds >= 0) {
        decision.serviceAsked = true;
        decision.wait = std::min(std::chrono::seconds(*retryAfterSeconds), kLongestWait);
    } else {
        decision.wait = DoublingDelay(rules_.delay, decision.attempt, kLongestWait);
    }
    return decision;
}

}  // namespace qv::runpolicy
