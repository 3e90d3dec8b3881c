// SPDX-License-Identifier: GPL-3.0-or-later
// From what a caller asks for to what the client sends, and from what came
// back to a status the caller can decide by.
#include <chrono>
#include <string_view>

#include "Http.h"
#include "http/CurlUrl.h"
#include "http/FailureKind.h"
#include "http/HttpClient.h"
#include "http/RetryAfter.h"

namespace qv {

namespace {

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

bool AnyHasLineBreak(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        if (HasLineBreak(line)) return true;
    return false;
}

std::string StatusWords(const HttpRequest& request) {
    std::string words = "The server answered HTTP " + std::to_string(request.StatusCode());
    if (!request.StatusText().empty()) words.append(1, ' ').append(request.StatusText());
    return words + ".";
}

}  // namespace

Result<http::Request> http::RequestFor(const OutgoingRequest& exchange, std::shared_ptr<const ProxySettings> proxy) {
    // A line break would end a header line early and begin one of the server's choosing.
    if (exchange.method.empty() || exchange.method.find_first_of(" \t\r\n") != std::string::npos ||
        HasLineBreak(exchange.contentType) || HasLineBreak(exchange.userAgent) || AnyHasLineBreak(exchange.headers))
        return Status(StatusKind::Usage, "The method, content type, user agent or a header would break the request.")
            .RetryWontHelp();
    HostPort target;
    std::string why;
    if (!SplitHostText(exchange.host, exchange.port, target, why))
        return Status(StatusKind::Usage, why).RetryWontHelp();
    CurlUrl url;
    if (!BuildRequestUrl(url, exchange.secure || target.port == 443, target, exchange.path, why))
        return Status(StatusKind::Usage, why).RetryWontHelp();

    Request request;
    request.method = exchange.method;
    request.url = url.Get(CURLUPART_URL);
    const bool bodiless = exchange.method == "GET" || exchange.method == "HEAD";
    request.body = bodiless ? std::string() : exchange.body;
    request.contentType = exchange.contentType;
    request.userAgent = exchange.userAgent;
    request.authUser = exchange.authUser;
    request.authPassword = exchange.authPassword;
    request.headers = exchange.headers;
    request.http10 = exchange.http10;
    request.proxy = std::move(proxy);
    request.limits.silence = std::chrono::milliseconds(std::max(exchange.timeoutMs, 0));
    return request;
}

Status RequestFailure(const HttpRequest& request) {
    if (!request.Failed()) return Status::Ok();
    const int code = request.StatusCode();
    if (request.ErrorKind() == hekHttpStatus) {
        const int asked = http::RetryAfterSeconds(request.ResponseHeaders());
        std::string words = StatusWords(request);
        if (asked >= 0) words += " It asks to wait " + std::to_string(asked) + " seconds before trying again.";
        return Status(HttpStatusKind(code, asked >= 0), words)
            .WithHttpStatus(code)
            .WithRetryAfter(asked >= 0 ? std::optional<int>(asked) : std::nullopt);
    }
    const std::string detail = request.ErrorText().empty() ? "" : " (" + request.ErrorText() + ")";
    const StatusKind kind = http::FailureKind(request.ErrorKind(), code, false);
    switch (request.ErrorKind()) {
        case hekBadAddress:
            return Status(kind, "The blog address is not a valid host name" + detail + ".").RetryWontHelp();
        case hekResolve:
            return Status(kind, "The server's name could not be found" + detail + ".");
        case hekConnect:
            return Status(kind, "Could not connect to the server" + detail + ".");
        case hekTimeout:
            return Status(kind, "The server sent nothing for too long" + detail + ".");
        case hekSecurity:
            return Status(kind, "The secure connection could not be trusted or set up" + detail + ".");
        case hekTransfer:
            return Status(kind, "The connection broke off during the transfer" + detail + ".");
        case hekProxy:
            return Status(kind, "The proxy server could not be used" + detail + ".");
        case hekCancelled:
            return Status(kind, "The transfer was cancelled.");
        case hekTooLarge:
            return Status(kind, "The server's answer was too large" + detail + ".");
        default:
            return Status(kind, "The request failed" + detail + ".").WithHttpStatus(code);
    }
}

}  // namespace qv
