// SPDX-License-Identifier: GPL-3.0-or-later
#include "oauth/ServiceExchange.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace qv::oauth {

namespace {

// What of a failed answer's body goes into the words: its first line, short.
constexpr std::size_t kMostExplanation = 200;

bool IsLoopbackHost(std::string host) {
    std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return std::tolower(c); });
    if (host == "localhost") return true;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

std::string Explanation(const std::string& body) {
    std::string line = body.substr(0, body.find_first_of("\r\n"));
    if (line.size() > kMostExplanation) line = line.substr(0, kMostExplanation) + "...";
    const bool printable = std::all_of(line.begin(), line.end(), [](unsigned char c) { return c >= 0x20; });
    return printable ? line : std::string();
}

}  // namespace

Status CheckServiceAddress(const std::string& url) {
    std::string protocol, host, path;
    int port = 0;
    if (!HttpRequest::ParseUrl(url, protocol, host, port, path))
        return Status(StatusKind::Usage, "\"" + url + "\" is no http or https address.").RetryWontHelp();
    if (protocol == "http" && !IsLoopbackHost(host))
        return Status(StatusKind::Usage, "\"" + url + "\" would send keys and tokens unencrypted: use https.")
            .RetryWontHelp();
    return Status::Ok();
}

ServiceAnswer Exchange(HttpRequest& request, const ServiceCall& call, const Connection& connection,
                       IHTTPRequestCallback* progress) {
    ServiceAnswer answer;
    std::string protocol;
    OutgoingRequest exchange;
    if (!HttpRequest::ParseUrl(call.url, protocol, exchange.host, exchange.port, exchange.path)) {
        answer.status = Status(StatusKind::Usage, "\"" + call.url + "\" is no http or https address.").RetryWontHelp();
        return answer;
    }
    // An IPv6 address goes back into its brackets, or its colons would read as a port.
    if (exchange.host.find(':') != std::string::npos && exchange.host.front() != '[')
        exchange.host = "[" + exchange.host + "]";
    exchange.secure = protocol == "https";
    exchange.method = call.method;
    exchange.body = call.body;
    exchange.contentType = call.contentType;
    exchange.headers = call.headers;
    exchange.timeoutMs = connection.timeoutMs;
    exchange.userAgent = connection.userAgent.empty() ? "Quillvault" : connection.userAgent;
    request.Proxy(connection.proxy);

    answer.status = request.Send(exchange, progress);
    answer.httpStatus = request.StatusCode();
    answer.headers = request.ResponseHeaders();
    answer.body = request.ResponseBody();
    const std::string explanation = answer.status.ok() ? std::string() : Explanation(answer.body);
    if (!explanation.empty()) {
        const Status& failure = answer.status;
        Status explained(failure.kind(), failure.text() + " (" + explanation + ")");
        explained.WithHttpStatus(failure.httpStatus()).WithRetryAfter(failure.retryAfterSeconds());
        if (!failure.retryMayHelp()) explained.RetryWontHelp();
        answer.status = explained;
    }
    return answer;
}

}  // namespace qv::oauth
