// SPDX-License-Identifier: GPL-3.0-or-later
// A run's questions answered with nobody at the keyboard, by the kind of the
// failure: a failed page is asked for again after growing pauses (or as long
// as the service asked) until its retries are used up; a throttling service
// is waited out without using up a retry, within the run's wait account; an
// answer that means what it says is not asked again; a page a post broke is
// asked for in pieces. Everything is said to the reporter.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "RunDecisions.h"
#include "runpolicy/RequestPacer.h"
#include "runpolicy/RetryPolicy.h"
#include "runpolicy/RunReporter.h"
#include "runpolicy/Waiter.h"

namespace qv::runpolicy {

class PolicyDecisions : public IRunDecisions {
public:
    // `pacer`, when given, is slowed down once the service throttles.
    PolicyDecisions(IRunReporter& reporter, RetryRules rules, IWaiter& waiter, std::function<bool()> stopRequested,
                    RequestPacer* pacer = nullptr)
        : reporter_(reporter),
          policy_(rules),
          waiter_(waiter),
          stopRequested_(std::move(stopRequested)),
          pacer_(pacer) {}

    bool GoOnWithoutPrivatePosts() override;
    Answer PageFailed(const Status& why, int32_t start) override;
    Answer PageUnreadable(const Status& why, int32_t start) override;
    Answer DummyRequestFailed(const Status& why, int32_t start) override;
    void RunFailed(const Status& why) override;
    void SavedDespite(const Status& why) override;
    void Done(const std::string& summary, const BackupResult& result) override;

private:
    // Asks again after the policy's pause; `fallback` is the answer once the retries are used up.
    Answer AfterPause(RetryPolicy::Question question, const char* headline, const Status& why, int32_t page,
                      Answer fallback);
    Answer WaitOutThrottling(const Status& why, int32_t page);
    // Says why the run ends: the failure under its question's headline, and `words`.
    Answer GiveUp(const char* headline, const Status& why, const std::string& words);

    IRunReporter& reporter_;
    RetryPolicy policy_;
    IWaiter& waiter_;
    std::function<bool()> stopRequested_;
    RequestPacer* pacer_;
    std::chrono::milliseconds waitedForThrottling_{0};
    std::optional<int32_t> throttledPage_;
    int throttledOnPage_ = 0;
};

}  // namespace qv::runpolicy
