// SPDX-License-Identifier: GPL-3.0-or-later
// The rate-limit headers as the decision before the next request.
#include <gtest/gtest.h>

#include "apiv2/RateLimit.h"

namespace qv {
namespace {

std::string Head(int status, const std::string& lines) {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: application/json\r\n" + lines + "\r\n";
}

TEST(RateLimit, HourIsWaitedOutDayEndsTheRunAnd429AsksItsOwnWait) {
    const std::string plenty =
        "X-Ratelimit-Perhour-Limit: 1000\r\nX-Ratelimit-Perhour-Remaining: 998\r\nX-Ratelimit-Perhour-Reset: 3000\r\n"
        "X-Ratelimit-Perday-Limit: 5000\r\nX-Ratelimit-Perday-Remaining: 4100\r\nX-Ratelimit-Perday-Reset: 60000\r\n";
    EXPECT_TRUE(apiv2::RateLimitStatus(200, Head(200, plenty)).ok());
    EXPECT_TRUE(apiv2::RateLimitStatus(200, Head(200, "")).ok());
    EXPECT_TRUE(apiv2::RateLimitStatus(200, Head(200, "X-Ratelimit-Perhour-Remaining: none\r\n")).ok());

    const Status hour = apiv2::RateLimitStatus(
        200, Head(200, "x-ratelimit-perhour-remaining: 0\r\nX-RateLimit-PerHour-Reset:  1200 \r\n"));
    EXPECT_EQ(hour.kind(), StatusKind::Throttled);
    EXPECT_EQ(hour.retryAfterSeconds(), 1200);
    EXPECT_TRUE(hour.retryMayHelp());

    const std::string daySpent = "X-Ratelimit-Perhour-Remaining: 0\r\nX-Ratelimit-Perhour-Reset: 1200\r\n"
                                 "X-Ratelimit-Perday-Remaining: 0\r\nX-Ratelimit-Perday-Reset: 30000\r\nRetry-After: 5\r\n";
    for (const int status : {200, 429}) {
        const Status day = apiv2::RateLimitStatus(status, Head(status, daySpent));
        EXPECT_EQ(day.kind(), StatusKind::DailyLimit);
        EXPECT_EQ(day.retryAfterSeconds(), 30000);
        EXPECT_FALSE(day.retryMayHelp());
        EXPECT_NE(day.text().find("8 h 20 min"), std::string::npos) << day.text();
    }

    const Status asked = apiv2::RateLimitStatus(429, Head(429, "Retry-After: 30\r\n"));
    EXPECT_EQ(asked.kind(), StatusKind::Throttled);
    EXPECT_EQ(asked.retryAfterSeconds(), 30);
    EXPECT_EQ(asked.httpStatus(), 429);
    const Status unasked = apiv2::RateLimitStatus(429, Head(429, ""));
    EXPECT_EQ(unasked.kind(), StatusKind::Throttled);
    EXPECT_FALSE(unasked.retryAfterSeconds());
}

}  // namespace
}  // namespace qv
