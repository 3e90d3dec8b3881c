// SPDX-License-Identifier: GPL-3.0-or-later
// One request of the service's v2 API after another, as a run makes them:
// over its connections, proxy and pace, every block heard by the run, with
// the application's key or signed for the user, and kept within the
// service's limits: an hour's requests spent hold the next request back
// until the hour resets, a day's end the run until the next.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "PageSource.h"
#include "ServiceApi.h"
#include "Status.h"
#include "http/HttpClient.h"
#include "oauth/PercentEncoding.h"

namespace qv::v2reader {

class ServiceClient {
public:
    using Clock = std::chrono::steady_clock;

    // `host` is the blog's: the requests go to {apiBase}/v2/blog/{host}/...
    ServiceClient(const V2Access& access, std::string host, RequestServices& services,
                  std::function<Clock::time_point()> now = Clock::now);

    // GET {apiBase}/v2/blog/{host}/{method}?{query}: the answer's body, or why
    // there is none: the transfer's or the answer's failure by its kind (a
    // wall, no such blog, Throttled with the wait, DailyLimit), Cancelled for
    // a stop. Throttled and DailyLimit come without a request while a limit
    // the service named last is still spent.
    Result<std::string> Get(const std::string& method, const oauth::Parameters& query);

private:
    // Why no request may go now; Ok when one may.
    Status Held() const;
    void Remember(int httpStatus, const std::string& headers);
    Status Refusal(const Status& failure) const;

    const V2Access& access_;
    std::string host_;
    RequestServices& services_;
    std::function<Clock::time_point()> now_;
    http::HttpClient client_;
    // Until then the hour's requests are spent.
    std::optional<Clock::time_point> hourResets_;
    // The day's requests are spent: the status the service's headers made.
    std::optional<Status> dayHeld_;
};

}  // namespace qv::v2reader
