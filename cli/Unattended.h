// Answers the engine's message boxes with nobody at the keyboard: retries a
// failed page a few times with growing pauses (or as long as the service asked),
// then gives up; says every message on standard error and the summary on
// standard output.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "Console.h"
#include "Interrupt.h"
#include "Messages.h"
#include "RequestPacer.h"

namespace qv::cli {

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
// engine moves on to the next page.
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
    // `retryAfterSeconds` < 0: the answer did not say.
    Decision Next(Question question, int32_t page, int retryAfterSeconds);
    const RetryRules& Rules() const { return rules_; }

private:
    RetryRules rules_;
    std::optional<int32_t> page_;
    int used_[3] = {0, 0, 0};
};

class UnattendedPresenter : public IMessagePresenter {
public:
    // `pacer`, when given, is slowed down once the service throttles.
    UnattendedPresenter(Console& console, RetryRules rules, IWaiter& waiter,
                        std::function<int32_t()> currentPage, std::function<bool()> stopRequested,
                        RequestPacer* pacer = nullptr)
        : console_(console),
          policy_(rules),
          waiter_(waiter),
          currentPage_(std::move(currentPage)),
          stopRequested_(std::move(stopRequested)),
          pacer_(pacer) {}

    int Show(const MessageBoxRequest& request) override;

private:
    enum Outcome { Retry, GiveUp, Stopped };
    // Retry comes after the pause the policy asks for. `inPieces`: giving up
    // asks for the page in smaller pieces.
    Outcome RetryAfterPause(RetryPolicy::Question question, int retryAfterSeconds, bool inPieces = false);
    // A service that says it is asked too often is waited out without using up a retry.
    Outcome WaitOutThrottling(const MessageBoxRequest& request);

    Console& console_;
    RetryPolicy policy_;
    IWaiter& waiter_;
    std::function<int32_t()> currentPage_;
    std::function<bool()> stopRequested_;
    RequestPacer* pacer_;
    std::chrono::milliseconds waitedForThrottling_{0};
    std::optional<int32_t> throttledPage_;
    int throttledOnPage_ = 0;
    int tooManyInARow_ = 0;
};

// Installs a presenter on the shared MessageUtility for one scope.
class ScopedPresenter {
public:
    explicit ScopedPresenter(std::shared_ptr<IMessagePresenter> presenter);
    ~ScopedPresenter();
    ScopedPresenter(const ScopedPresenter&) = delete;
    ScopedPresenter& operator=(const ScopedPresenter&) = delete;

private:
    std::shared_ptr<IMessagePresenter> previous_;
};

}  // namespace qv::cli
