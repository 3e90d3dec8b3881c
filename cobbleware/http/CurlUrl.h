// SPDX-License-Identifier: GPL-3.0-or-later
// Request addresses built and taken apart with libcurl's URL parser, so that no
// URL is ever pieced together from strings.
#pragma once

#include <curl/curl.h>

#include <string>

namespace qv::http {

// Owns one libcurl URL handle.
class CurlUrl {
public:
    CurlUrl();
    ~CurlUrl();
    CurlUrl(const CurlUrl&) = delete;
    CurlUrl& operator=(const CurlUrl&) = delete;

    CURLU* Handle() const { return handle_; }
    bool Set(CURLUPart part, const std::string& text, unsigned flags = 0);
    // "" when the part is absent or the URL is incomplete.
    std::string Get(CURLUPart part, unsigned flags = 0) const;

private:
    CURLU* handle_;
};

struct HostPort {
    std::string host;  // a name, a dotted address or "[v6]"
    int port = 0;
};

// Reads host text as a user may type it: "name", "name:port", "[v6]", "[v6]:port"
// or a bare IPv6 address. A port in the text wins over `port`. On failure `why`
// says in plain words what is wrong.
bool SplitHostText(const std::string& text, int port, HostPort& out, std::string& why);

// The address of one request. `path` may carry a query; characters that may not
// stand in a URL are percent-encoded, existing escapes are kept.
bool BuildRequestUrl(CurlUrl& url, bool tls, const HostPort& target, const std::string& path,
                     std::string& why);

}  // namespace qv::http
