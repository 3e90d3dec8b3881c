// SPDX-License-Identifier: GPL-3.0-or-later
#include "TransferFailure.h"

#include <optional>
#include <string>

#include "http/FailureKind.h"
#include "http/RetryAfter.h"

namespace qv::media {

namespace {

std::string HttpWords(const http::Response& response) {
    std::string words = "HTTP " + std::to_string(response.status);
    if (!response.statusText.empty()) words += " " + response.statusText;
    return words;
}

Status StatusFailure(const http::Response& response) {
    const int status = response.status;
    const int asked = http::RetryAfterSeconds(response.headers);
    Status failure = Status(http::FailureKind(hekHttpStatus, status, asked >= 0), HttpWords(response))
                         .WithHttpStatus(status)
                         .WithRetryAfter(asked >= 0 ? std::optional<int>(asked) : std::nullopt);
    // A client error will not change by asking again, unless it was a time-out or a throttle.
    if (status >= 400 && status < 500 && status != 408 && status != 429) failure.RetryWontHelp();
    return failure;
}

}  // namespace

Status TransferFailure(const http::Response& response) {
    const StatusKind kind = http::FailureKind(response.errorKind, response.status, false);
    switch (response.errorKind) {
        case hekHttpStatus:
            return StatusFailure(response);
        case hekTooLarge:
            return Status(kind, "too large").RetryWontHelp();
        case hekBadAddress:
            return Status(kind, response.errorText).RetryWontHelp();
        default:
            return Status(kind, response.errorText.empty() ? "transfer failed" : response.errorText);
    }
}

Status ShortBody(const http::Response& response) {
    return Status(StatusKind::Network, "short body: " + std::to_string(response.bodyBytes) + " of " +
                                           std::to_string(response.contentLength) + " bytes");
}

}  // namespace qv::media
