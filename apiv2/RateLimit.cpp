// SPDX-License-Identifier: GPL-3.0-or-later
#include "apiv2/RateLimit.h"

#include <strings.h>

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "http/RetryAfter.h"

namespace qv::apiv2 {

namespace {

// Nobody waits longer than a day and a bit for a limit that resets daily.
constexpr std::int64_t kLongestReset = 26 * 3600;

// The first header of that name as a count of seconds or requests; none when
// absent or no plain number.
std::optional<std::int64_t> NumberHeader(const std::string& headers, std::string_view name) {
    for (std::size_t begin = 0; begin < headers.size();) {
        std::size_t end = headers.find("\r\n", begin);
        if (end == std::string::npos) end = headers.size();
        const std::string_view line(headers.data() + begin, end - begin);
        begin = end + 2;
        if (line.size() <= name.size() || line[name.size()] != ':' ||
            strncasecmp(line.data(), name.data(), name.size()) != 0)
            continue;
        std::string_view value = line.substr(name.size() + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
        std::int64_t number = 0;
        const auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (error != std::errc() || rest != value.data() + value.size() || number < 0) return std::nullopt;
        return number;
    }
    return std::nullopt;
}

std::string Duration(std::int64_t seconds) {
    if (seconds < 120) return std::to_string(seconds) + " s";
    const std::int64_t minutes = (seconds + 59) / 60;
    if (minutes < 120) return std::to_string(minutes) + " min";
    return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

}  // namespace

Status RateLimitStatus(int httpStatus, const std::string& headers) {
    const auto spent = [&](std::string_view remaining) { return NumberHeader(headers, remaining) == 0; };
    if (spent("X-Ratelimit-Perday-Remaining")) {
        const auto reset = NumberHeader(headers, "X-Ratelimit-Perday-Reset");
        const std::int64_t seconds = std::min(reset.value_or(kLongestReset), kLongestReset);
        return Status(StatusKind::DailyLimit,
                      "The service's daily limit of requests for this key is spent; it resets in " +
                          Duration(seconds) + ".")
            .WithHttpStatus(httpStatus)
            .WithRetryAfter(static_cast<int>(seconds))
            .RetryWontHelp();
    }
    if (spent("X-Ratelimit-Perhour-Remaining")) {
        const auto reset = NumberHeader(headers, "X-Ratelimit-Perhour-Reset");
        const std::optional<int> seconds =
            reset ? std::optional<int>(static_cast<int>(std::min<std::int64_t>(*reset, 3600))) : std::nullopt;
        return Status(StatusKind::Throttled,
                      "The service's hourly limit of requests for this key is spent" +
                          (seconds ? "; it resets in " + Duration(*seconds) + "." : std::string(".")))
            .WithHttpStatus(httpStatus)
            .WithRetryAfter(seconds);
    }
    if (httpStatus == 429) {
        const int asked = http::RetryAfterSeconds(headers);
        return Status(StatusKind::Throttled,
                      "The service asks to slow down (HTTP 429)" +
                          (asked >= 0 ? "; it asks to wait " + Duration(asked) + "." : std::string(".")))
            .WithHttpStatus(httpStatus)
            .WithRetryAfter(asked >= 0 ? std::optional<int>(asked) : std::nullopt);
    }
    return Status::Ok();
}

}  // namespace qv::apiv2
