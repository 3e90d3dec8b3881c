// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "runpolicy/PolicyDecisions.h"
#include "runpolicy/RequestPacer.h"

namespace qv::runpolicy {
namespace {

using std::chrono::seconds;

std::vector<long long> WaitsUntilGivingUp(RetryPolicy& policy, RetryPolicy::Question question, int32_t page,
                                          std::optional<int> retryAfter = std::nullopt) {
    std::vector<long long> waits;
    for (;;) {
        const auto decision = policy.Next(question, page, retryAfter);
        if (!decision.retry) return waits;
        waits.push_back(decision.wait.count());
        if (waits.size() > 200) return waits;
    }
}

TEST(RetryPolicy, DoublesTheDelayUpToTheRetriesThenStartsAgainOnTheNextPage) {
    RetryPolicy policy(RetryRules{4, seconds(5)});
    EXPECT_EQ(WaitsUntilGivingUp(policy, RetryPolicy::PageFailed, 1), (std::vector<long long>{5, 10, 20, 40}));
    EXPECT_FALSE(policy.Next(RetryPolicy::PageFailed, 1, std::nullopt).retry) << "still the same page";
    EXPECT_EQ(WaitsUntilGivingUp(policy, RetryPolicy::PageFailed, 2), (std::vector<long long>{5, 10, 20, 40}));
}

TEST(RetryPolicy, TheDummyRequestHasItsOwnCountOnTheSamePage) {
    RetryPolicy policy(RetryRules{2, seconds(1)});
    EXPECT_TRUE(policy.Next(RetryPolicy::PageFailed, 3, std::nullopt).retry);
    EXPECT_EQ(WaitsUntilGivingUp(policy, RetryPolicy::DummyRequestFailed, 3), (std::vector<long long>{1, 2}));
    const auto second = policy.Next(RetryPolicy::PageFailed, 3, std::nullopt);
    EXPECT_TRUE(second.retry);
    EXPECT_EQ(second.attempt, 2);
    EXPECT_FALSE(policy.Next(RetryPolicy::PageFailed, 3, std::nullopt).retry);
}

TEST(RetryPolicy, TheServicesRetryAfterReplacesTheDelayAndNoWaitPassesTenMinutes) {
    RetryPolicy policy(RetryRules{3, seconds(5)});
    const auto asked = policy.Next(RetryPolicy::PageFailed, 1, 42);
    EXPECT_TRUE(asked.serviceAsked);
    EXPECT_EQ(asked.wait, seconds(42));
    EXPECT_EQ(policy.Next(RetryPolicy::PageFailed, 1, 0).wait, seconds(0));
    EXPECT_EQ(policy.Next(RetryPolicy::PageFailed, 1, 86400).wait, kLongestWait);

    RetryPolicy slow(RetryRules{100, seconds(600)});
    const auto waits = WaitsUntilGivingUp(slow, RetryPolicy::PageFailed, 1);
    ASSERT_EQ(waits.size(), 100u);
    EXPECT_EQ(waits.back(), 600) << "doubling is capped, and does not overflow";
    RetryPolicy never(RetryRules{0, seconds(5)});
    EXPECT_FALSE(never.Next(RetryPolicy::PageFailed, 1, std::nullopt).retry);
}

class RecordingWaiter : public IWaiter {
public:
    bool Wait(std::chrono::milliseconds duration) override {
        waits.push_back(duration);
        return !interrupt;
    }
    std::vector<std::chrono::milliseconds> waits;
    bool interrupt = false;
};

// Every event as "kind: text".
class RecordingReporter : public IRunReporter {
public:
    void Progress(const BackupProgress&) override {}
    void Stage(const std::string&) override {}
    void Notice(const std::string& text) override { said.push_back("notice: " + text); }
    void Warning(const std::string& text) override { said.push_back("warning: " + text); }
    void Error(const std::string& text) override { said.push_back("error: " + text); }
    void Waiting(WaitReason reason, seconds wait, const std::string& text) override {
        said.push_back(std::string(reason == WaitReason::Throttled ? "throttled " : "retry ") +
                       std::to_string(wait.count()) + ": " + text);
    }
    void Summary(const std::string& text) override { said.push_back("summary: " + text); }
    std::vector<std::string> said;
};

struct Rig {
    RecordingReporter reporter;
    RecordingWaiter waiter;
    bool stop = false;
    PolicyDecisions decisions{reporter, RetryRules{2, seconds(3)}, waiter, [this] { return stop; }};
};

TEST(PolicyDecisions, RetriesAPageAfterThePauseThenGivesUpWithTheReason) {
    Rig rig;
    const Status busy = Status(StatusKind::HttpStatus, "The server answered HTTP 500.").WithHttpStatus(500);
    EXPECT_EQ(rig.decisions.PageFailed(busy, 50), Answer::Retry);
    EXPECT_EQ(rig.decisions.PageFailed(Status(busy).WithRetryAfter(7), 50), Answer::Retry);
    EXPECT_EQ(rig.decisions.PageFailed(busy, 50), Answer::GiveUp);
    EXPECT_EQ(rig.waiter.waits, (std::vector<std::chrono::milliseconds>{seconds(3), seconds(7)}));
    EXPECT_EQ(rig.reporter.said,
              (std::vector<std::string>{
                  "retry 3: Can't download blog's XML file. The server answered HTTP 500. Retrying in 3 s, 2 left.",
                  "retry 7: Can't download blog's XML file. The server answered HTTP 500. Retrying in 7 s as the "
                  "service asked, 1 left.",
                  "error: Can't download blog's XML file.\r\n\r\nThe server answered HTTP 500.\r\nGiving up after "
                  "2 retries."}));

    // What the service means is not asked again; a page a post broke is asked for in pieces.
    Rig wall;
    EXPECT_EQ(wall.decisions.PageFailed(Status(StatusKind::Wall, "Log in first.").RetryWontHelp(), 0),
              Answer::GiveUp);
    EXPECT_TRUE(wall.waiter.waits.empty());
    Rig broken;
    const Status unreadable(StatusKind::UnreadableXml, "Start-end tags mismatch.");
    while (broken.decisions.PageUnreadable(unreadable, 0) == Answer::Retry) {
    }
    EXPECT_EQ(broken.waiter.waits.size(), 2u);
    EXPECT_EQ(broken.decisions.PageUnreadable(unreadable, 50), Answer::Retry) << "a new page, new retries";
}

TEST(PolicyDecisions, AStopBeforeOrDuringThePauseStopsTheRunSilently) {
    Rig rig;
    rig.waiter.interrupt = true;
    const Status failed(StatusKind::Network, "Could not connect to the server.");
    EXPECT_EQ(rig.decisions.PageFailed(failed, 0), Answer::Stop);
    EXPECT_EQ(rig.decisions.DummyRequestFailed(failed, 0), Answer::Stop);
    rig.stop = true;
    rig.waiter.interrupt = false;
    EXPECT_EQ(rig.decisions.PageFailed(failed, 50), Answer::Stop);
    EXPECT_EQ(rig.waiter.waits.size(), 2u) << "no pause once a stop was asked for";
    for (const std::string& said : rig.reporter.said) EXPECT_FALSE(said.starts_with("error")) << said;
}

TEST(PolicyDecisions, AServiceThatThrottlesWithoutAskingToWaitStillMeetsMaxWait) {
    // A 429 without Retry-After after a --retry-delay of 0, and a busy 503 asking for no wait.
    for (const int status : {429, 503}) {
        RecordingReporter reporter;
        RecordingWaiter waiter;
        RequestPacer pacer(waiter, std::chrono::milliseconds(0));
        PolicyDecisions decisions{reporter, RetryRules{3, seconds(0), seconds(10)}, waiter, [] { return false; },
                                  &pacer};
        const Status throttled = Status(StatusKind::Throttled, "Too many requests.")
                                     .WithHttpStatus(status)
                                     .WithRetryAfter(status == 429 ? std::nullopt : std::optional<int>(0));
        int asked = 0;
        while (decisions.PageFailed(throttled, 0) == Answer::Retry && asked < 1000) ++asked;
        // Three at once, then one every 1.5 s until 10 s are used up.
        EXPECT_EQ(asked, 8) << status;
        EXPECT_EQ(pacer.Interval(), kThrottledInterval) << status;
        EXPECT_NE(reporter.said.back().find("Giving up: the service has kept asking to wait (9 s waited in all)."),
                  std::string::npos)
            << status;
    }
}

}  // namespace
}  // namespace qv::runpolicy
