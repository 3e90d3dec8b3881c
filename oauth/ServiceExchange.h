// SPDX-License-Identifier: GPL-3.0-or-later
// One request to the service at an absolute address, its answer or the
// status of why there is none, and the rule for which service addresses may
// be spoken to at all.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Http.h"
#include "Status.h"

namespace qv::oauth {

// https anywhere; plain http only to this machine (127.0.0.0/8, ::1,
// localhost), where tests and mirrors run. Usage otherwise.
Status CheckServiceAddress(const std::string& url);

struct ServiceCall {
    std::string method = "GET";
    std::string url;  // absolute, percent-encoded
    std::vector<std::string> headers;
    std::string body;
    std::string contentType;
};

// How requests reach the service.
struct Connection {
    std::string userAgent;  // the service asks for one; "" sends "Quillvault"
    std::shared_ptr<ProxySettings> proxy;
    int timeoutMs = 30000;
};

// What came back. A failed answer keeps its headers and body: the rate-limit
// headers and the API's own explanation are in them.
struct ServiceAnswer {
    // Ok for a 2xx answer; otherwise the failure as RequestFailure names it,
    // with the start of the body the service explained it in.
    Status status;
    int httpStatus = 0;  // 0 when no answer came
    std::string headers;
    std::string body;
};

// `progress`, when given, hears every block sent and received, and may stop the transfer.
ServiceAnswer Exchange(HttpRequest& request, const ServiceCall& call, const Connection& connection,
                       IHTTPRequestCallback* progress = nullptr);

}  // namespace qv::oauth
