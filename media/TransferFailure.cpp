// SPDX-License-Identifier: GPL-3.0-or-later
#include "TransferFailure.h"

#include <optional>
#include <string>

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
    const std::string words = HttpWords(response);
    if (status == 404 || status == 410)
        return Status(StatusKind::NotFound, words).WithHttpStatus(status).RetryWontHelp();
    if (status == 429 || status == 503) {
        const int asked = http::RetryAfterSeconds(response.headers);
        return Status(StatusKind::Throttled, words)
            .WithHttpStatus(status)
            .WithRetryAfter(asked >= 0 ? std::optional<int>(asked) : std::nullopt);
    }
    Status failure = Status(StatusKind::HttpStatus, words).WithHttpStatus(status);
    // Another client error will not change by asking again.
    if (status >= 400 && status < 500 && status != 408) failure.RetryWontHelp();
    return failure;
}

}  // namespace

Status TransferFailure(const http::Response& response) {
    switch (response.errorKind) {
        case hekHttpStatus:
            return StatusFailure(response);
        case hekTooLarge:
            return Status(StatusKind::TooLarge, "too large").RetryWontHelp();
        case hekBadAddress:
            return Status(StatusKind::Usage, response.errorText).RetryWontHelp();
        default:
            break;
    }
    const StatusKind kind = response.errorKind == hekTimeout ? StatusKind::Timeout : StatusKind::Network;
    return Status(kind, response.errorText.empty() ? "transfer failed" : response.errorText);
}

Status ShortBody(const http::Response& response) {
    return Status(StatusKind::Network, "short body: " + std::to_string(response.bodyBytes) + " of " +
                                           std::to_string(response.contentLength) + " bytes");
}

}  // namespace qv::media
