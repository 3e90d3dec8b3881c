// SPDX-License-Identifier: GPL-3.0-or-later
#include "v2reader/ServiceClient.h"

#include <ctime>

#include "Application.h"
#include "Sundrykit.h"
#include "apiv2/RateLimit.h"
#include "oauth/RequestSigner.h"
#include "oauth/ServiceExchange.h"

namespace qv::v2reader {

namespace {

// Blocks the run hears per answer: as the read API's pages are heard.
constexpr int kBlockSize = 10240;

std::string WithoutTrailingSlash(std::string base) {
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

Status Meant(StatusKind kind, const Status& failure, const std::string& sentence) {
    return Status(kind, failure.text() + " " + sentence).WithHttpStatus(failure.httpStatus()).RetryWontHelp();
}

// The day's limit with the local time it resets at, for whoever reads it later.
Status AtClockTime(const Status& limit) {
    const std::time_t resets = std::time(nullptr) + limit.retryAfterSeconds().value_or(0);
    std::tm local{};
    localtime_r(&resets, &local);
    char when[64];
    if (std::strftime(when, sizeof when, " It resets at about %H:%M (%Y-%m-%d).", &local) == 0) return limit;
    return Status(limit.kind(), limit.text() + when)
        .WithHttpStatus(limit.httpStatus())
        .WithRetryAfter(limit.retryAfterSeconds())
        .RetryWontHelp();
}

}  // namespace

ServiceClient::ServiceClient(const V2Access& access, std::string host, RequestServices& services,
                             std::function<Clock::time_point()> now)
    : access_(access), host_(std::move(host)), services_(services), now_(std::move(now)) {}

Status ServiceClient::Held() const {
    if (dayHeld_) return *dayHeld_;
    if (!hourResets_ || now_() >= *hourResets_) return Status::Ok();
    const auto left = std::chrono::ceil<std::chrono::seconds>(*hourResets_ - now_());
    return Status(StatusKind::Throttled,
                  "The service's hourly limit of requests for this key is spent until it resets.")
        .WithHttpStatus(200)
        .WithRetryAfter(static_cast<int>(left.count()));
}

void ServiceClient::Remember(int httpStatus, const std::string& headers) {
    const Status limit = apiv2::RateLimitStatus(httpStatus, headers);
    if (limit.Is(StatusKind::DailyLimit)) {
        dayHeld_ = AtClockTime(limit);
        return;
    }
    // A good answer that spends the hour's last request says when the next may go.
    hourResets_.reset();
    if (httpStatus / 100 == 2 && limit.Is(StatusKind::Throttled) && limit.retryAfterSeconds())
        hourResets_ = now_() + std::chrono::seconds(*limit.retryAfterSeconds());
}

Status ServiceClient::Refusal(const Status& failure) const {
    switch (failure.httpStatus()) {
        case 401:
            if (access_.Signed())
                return Meant(
                    StatusKind::Wall, failure,
                    "The service refused the signed request: the application's key or secret, or the "
                    "signed-in user's token, is not valid (any more), or the user may not read this "
                    "blog. Sign in again (quillvault-cli sign-in).");
            return Meant(
                StatusKind::Wall, failure,
                "The service refused the request: the blog is shown to signed-in readers only, or the "
                "application's key is not valid. Sign in (quillvault-cli sign-in) and try again.");
        case 403:
            return Meant(StatusKind::Wall, failure,
                         "The service does not let this user read that: drafts and the queue are for the "
                         "blog's own user.");
        case 404:
            return Meant(StatusKind::NotFound, failure,
                         "There is no blog at " + skPrintable(host_) +
                             ": it does not exist or was deleted, so check the address.");
        default:
            return failure;
    }
}

Result<std::string> ServiceClient::Get(const std::string& method, const oauth::Parameters& query) {
    const std::string base = WithoutTrailingSlash(access_.apiBase);
    if (Status usable = oauth::CheckServiceAddress(base); !usable.ok()) return usable;
    if (Status held = Held(); !held.ok()) return held;

    oauth::Parameters parameters;
    // A signed request names the application in its signature.
    if (!access_.Signed()) parameters.emplace_back("api_key", access_.key);
    parameters.insert(parameters.end(), query.begin(), query.end());
    oauth::ServiceCall call;
    call.url = base + "/v2/blog/" + oauth::PercentEncode(host_) + "/" + method;
    if (!parameters.empty()) call.url += "?" + oauth::FormEncode(parameters);
    if (access_.Signed()) {
        const oauth::RequestSigner signer({access_.key, access_.secret},
                                          oauth::TokenCredentials{access_.token, access_.tokenSecret});
        Result<std::string> authorization = signer.Authorization("GET", call.url);
        if (!authorization) return authorization.status();
        call.headers.push_back("Authorization: " + *authorization);
    }
    oauth::Connection connection;
    connection.userAgent = HttpRequest::MakeUserAgent(App());
    connection.proxy = std::make_shared<ProxySettings>(*services_.Proxy());

    HttpRequest request(client_);
    request.Reset();
    request.BlockSize(kBlockSize);
    services_.BeforeRequest();
    const oauth::ServiceAnswer answer = oauth::Exchange(request, call, connection, &services_.progress);
    if (answer.status.Is(StatusKind::Cancelled)) return answer.status;
    Remember(answer.httpStatus, answer.headers);
    if (answer.status.ok()) return answer.body;
    // A refusal for the limits says how long they hold.
    if (dayHeld_) return *dayHeld_;
    if (answer.httpStatus == 429) return apiv2::RateLimitStatus(answer.httpStatus, answer.headers);
    return Refusal(answer.status);
}

}  // namespace qv::v2reader
