#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "Console.h"
#include "Progress.h"
#include "RequestPacer.h"
#include "Unattended.h"

namespace qv::cli {
namespace {

using std::chrono::seconds;

std::vector<long long> WaitsUntilGivingUp(RetryPolicy& policy, RetryPolicy::Question question, int32_t page,
                                          int retryAfter = -1) {
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
    EXPECT_EQ(WaitsUntilGivingUp(policy, RetryPolicy::PageFailed, 1),
              (std::vector<long long>{5, 10, 20, 40}));
    EXPECT_FALSE(policy.Next(RetryPolicy::PageFailed, 1, -1).retry) << "still the same page";
    EXPECT_EQ(WaitsUntilGivingUp(policy, RetryPolicy::PageFailed, 2),
              (std::vector<long long>{5, 10, 20, 40}));
}

TEST(RetryPolicy, TheDummyRequestHasItsOwnCountOnTheSamePage) {
    RetryPolicy policy(RetryRules{2, seconds(1)});
    EXPECT_TRUE(policy.Next(RetryPolicy::PageFailed, 3, -1).retry);
    EXPECT_EQ(WaitsUntilGivingUp(policy, RetryPolicy::DummyRequestFailed, 3), (std::vector<long long>{1, 2}));
    const auto second = policy.Next(RetryPolicy::PageFailed, 3, -1);
    EXPECT_TRUE(second.retry);
    EXPECT_EQ(second.attempt, 2);
    EXPECT_FALSE(policy.Next(RetryPolicy::PageFailed, 3, -1).retry);
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
    EXPECT_FALSE(never.Next(RetryPolicy::PageFailed, 1, -1).retry);
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

struct PresenterRig {
    std::ostringstream out;
    std::ostringstream err;
    Console console{out, err, false, false};
    RecordingWaiter waiter;
    int32_t page = 1;
    bool stop = false;
    UnattendedPresenter presenter{console, RetryRules{2, seconds(3)}, waiter, [this] { return page; },
                                  [this] { return stop; }};

    int Show(const std::string& text, int style, int retryAfter = -1) {
        return presenter.Show(MessageBoxRequest{text, style, "Corvane - Quillvault", retryAfter});
    }
};

TEST(UnattendedPresenter, RetriesAPageAfterThePauseThenCancels) {
    PresenterRig rig;
    const std::string failed = "Can't download blog's XML file.\r\n\r\nThe server answered HTTP 503.";
    EXPECT_EQ(rig.Show(failed, mbRetryCancel + mbCritical), mrRetry);
    EXPECT_EQ(rig.Show(failed, mbRetryCancel + mbCritical, 7), mrRetry);
    EXPECT_EQ(rig.Show(failed, mbRetryCancel + mbCritical), mrCancel);
    EXPECT_EQ(rig.waiter.waits, (std::vector<std::chrono::milliseconds>{seconds(3), seconds(7)}));
    EXPECT_EQ(
        rig.err.str(),
        "Can't download blog's XML file.\n\nThe server answered HTTP 503.\nRetry 1 of 2 in 3 s...\n"
        "Can't download blog's XML file.\n\nThe server answered HTTP 503.\nRetry 2 of 2 in 7 s, as the "
        "service asked...\n"
        "Can't download blog's XML file.\n\nThe server answered HTTP 503.\nGiving up after 2 retries.\n");
    EXPECT_EQ(rig.out.str(), "");
}

TEST(UnattendedPresenter, AStopDuringOrBeforeThePauseAnswersCancelOrAbort) {
    PresenterRig rig;
    rig.waiter.interrupt = true;
    EXPECT_EQ(rig.Show("failed", mbRetryCancel + mbCritical), mrCancel);
    EXPECT_EQ(rig.Show("dummy failed", mbAbortRetryIgnore + mbCritical), mrAbort);
    rig.stop = true;
    rig.waiter.interrupt = false;
    rig.page = 2;
    EXPECT_EQ(rig.Show("failed", mbRetryCancel + mbCritical), mrCancel);
    EXPECT_EQ(rig.waiter.waits.size(), 2u) << "no pause once a stop was asked for";
}

TEST(UnattendedPresenter, AServiceThatThrottlesWithoutAskingToWaitStillMeetsMaxWait) {
    // A 429 without Retry-After after a --retry-delay of 0, and a busy 503 asking for no wait.
    for (const int status : {429, 503}) {
        std::ostringstream out;
        std::ostringstream err;
        Console console{out, err, false, false};
        RecordingWaiter waiter;
        RequestPacer pacer(waiter, std::chrono::milliseconds(0));
        UnattendedPresenter presenter{
            console, RetryRules{3, seconds(0), seconds(10)}, waiter, [] { return 1; }, [] { return false; },
            &pacer};
        const MessageBoxRequest throttled{"Can't download blog's XML file.", mbRetryCancel + mbCritical, "",
                                          status == 429 ? -1 : 0, status};
        int asked = 0;
        while (presenter.Show(throttled) == mrRetry && asked < 1000) ++asked;
        // Three at once, then one every 1.5 s until 10 s are used up.
        EXPECT_EQ(asked, 8) << status;
        EXPECT_EQ(pacer.Interval(), kThrottledInterval) << status;
        EXPECT_NE(err.str().find("Giving up: the service has kept asking to wait (9 s waited in all)."),
                  std::string::npos)
            << status;
    }
}

TEST(Console, OnATerminalProgressRewritesOneLineThatMessagesAndTheEndClear) {
    std::ostringstream out;
    std::ostringstream err;
    {
        Console console(out, err, true, false);
        TransferProgress progress(console, [] { return false; });
        Traffic().PieceCount = 2;
        bool remove = false;
        bool cancel = false;
        progress.BlockReceived(std::string(2048, 'x'), remove, 2048, 4096, cancel);
        progress.BlockReceived("", remove, 2048, 4096, cancel);  // an idle tick repeats nothing
        console.Message("Can't load received XML data.\r\n\r\nbroken");
        progress.SetStatus("Sorting posts in backup XML...\r\nStage 1 of 3");
        EXPECT_FALSE(cancel);
    }
    EXPECT_EQ(err.str(),
              "\r\x1b[KRequest #2: 2.00 KB / 4.00 KB\r\x1b[KCan't load received XML data.\n\nbroken\n"
              "\r\x1b[KSorting posts in backup XML... Stage 1 of 3\r\x1b[K");
}

}  // namespace
}  // namespace qv::cli
