// SPDX-License-Identifier: GPL-3.0-or-later
// The order and pace in which waiting files are handed out.
#include <gtest/gtest.h>

#include "HostPacing.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
using media::Clock;
using media::HostPacing;
using media::MediaJob;

MediaJob Job(const std::string& host, const std::string& url) {
    MediaJob job;
    job.host = host;
    job.url = url;
    return job;
}

std::string NextUrl(HostPacing& pacing, Clock::time_point now) {
    const auto job = pacing.Next(now);
    return job ? job->url : "";
}

TEST(HostPacing, HostsTakeTurnsAndNoHostRunsMoreThanItsLimit) {
    HostPacing pacing(2);
    for (const char* url : {"a1", "a2", "a3"}) pacing.Add(Job("a", url));
    for (const char* url : {"b1", "b2"}) pacing.Add(Job("b", url));
    const auto now = Clock::now();
    EXPECT_EQ(NextUrl(pacing, now), "a1");
    EXPECT_EQ(NextUrl(pacing, now), "b1");
    EXPECT_EQ(NextUrl(pacing, now), "a2");
    EXPECT_EQ(NextUrl(pacing, now), "b2");
    // Host a already runs two.
    EXPECT_EQ(NextUrl(pacing, now), "");
    pacing.Finished("a");
    EXPECT_EQ(NextUrl(pacing, now), "a3");
    EXPECT_TRUE(pacing.Empty());
}

TEST(HostPacing, AHostThatAskedToWaitIsLeftAloneAndRunsFewerAtOnceAfterwards) {
    HostPacing pacing(4);
    for (const char* url : {"a1", "a2", "a3", "a4"}) pacing.Add(Job("a", url));
    pacing.Add(Job("b", "b1"));
    const auto now = Clock::now();
    EXPECT_EQ(NextUrl(pacing, now), "a1");
    pacing.Finished("a");
    pacing.SlowDown("a", now + 30s);
    EXPECT_EQ(pacing.Limit("a"), 2);
    // The other host goes on meanwhile.
    EXPECT_EQ(NextUrl(pacing, now), "b1");
    EXPECT_EQ(NextUrl(pacing, now + 10s), "");
    EXPECT_EQ(pacing.NextOpening()->at, now + 30s);
    EXPECT_TRUE(pacing.NextOpening()->hostAsked);
    EXPECT_EQ(NextUrl(pacing, now + 30s), "a2");
    EXPECT_EQ(NextUrl(pacing, now + 30s), "a3");
    EXPECT_EQ(NextUrl(pacing, now + 30s), "");
    pacing.SlowDown("a", now);
    pacing.SlowDown("a", now);
    EXPECT_EQ(pacing.Limit("a"), 1);
}

TEST(HostPacing, ARetryWaitsForItsOwnTimeWithoutHoldingUpItsHost) {
    HostPacing pacing(1);
    pacing.Add(Job("a", "a1"));
    pacing.Add(Job("a", "a2"));
    const auto now = Clock::now();
    MediaJob failed = *pacing.Next(now);
    pacing.Finished("a");
    failed.notBefore = now + 5s;
    failed.lastFailure = "HTTP 500";
    pacing.Retry(failed);
    EXPECT_EQ(pacing.Waiting(), 2u);
    EXPECT_EQ(NextUrl(pacing, now), "a2");
    pacing.Finished("a");
    EXPECT_EQ(NextUrl(pacing, now + 1s), "");
    EXPECT_EQ(pacing.NextOpening()->at, now + 5s);
    EXPECT_FALSE(pacing.NextOpening()->hostAsked) << "a retry delay is ours";
    EXPECT_EQ(pacing.NextOpening()->cause, "HTTP 500");
    EXPECT_EQ(NextUrl(pacing, now + 5s), "a1");
    EXPECT_FALSE(pacing.NextOpening());
}

}  // namespace
}  // namespace qv
