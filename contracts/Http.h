// SPDX-License-Identifier: GPL-3.0-or-later
// HTTP requests with progress callbacks, form data and proxy settings.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Application.h"
#include "Status.h"

namespace qv {

// The receiver of a request's progress. Both calls come on the thread that
// called Send; setting `cancel` abandons the transfer (ErrorKind hekCancelled).
class IHTTPRequestCallback {
public:
    virtual ~IHTTPRequestCallback() = default;
    // `block` is the next piece of the response body. An empty block is an idle
    // tick while the server is silent: it carries no data.
    virtual void BlockReceived(const std::string& block, bool& removeBlock, int32_t receivedBytes,
                               int32_t totalBytes, bool& cancel) = 0;
    virtual void BlockSent(const std::string& block, int32_t sentBytes, int32_t totalBytes, bool& cancel) = 0;
};

// The settings section the proxy setup is stored under.
inline constexpr const char* kProxySection = "HTTP Proxy";

// How a request reaches the network. Stored per application under a section name.
class ProxySettings {
public:
    enum Mode { pmNone = 0, pmEnvironment = 1, pmManual = 2 };

    Mode ProxyMode = pmNone;
    std::string Host;
    int Port = 8080;
    std::string User;
    std::string Password;

    // Both answer whether the settings store was reached; without a store the
    // settings stay as they are (Load) or are not kept (Save).
    bool Load(const std::string& section, const Application& app, bool perUser);
    bool Save(const std::string& section, const Application& app, bool perUser);
    // Lets the user edit the settings in a modal dialog (window program only).
    void EditDialog();
};

class HttpFormData {
public:
    void Clear();
    // Fields are sent in the order added. The four further values are unused.
    void AddField(const std::string& name, const std::string& value, int = 0, int = 0, int = 0, int = 0);
    std::string Body() const;
    std::string ContentType() const;

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

enum HttpErrorKind {
    hekNone = 0,
    hekBadAddress = 1,
    hekResolve = 2,
    hekConnect = 3,
    hekTimeout = 4,
    hekSecurity = 5,
    hekTransfer = 6,
    hekHttpStatus = 7,
    hekProxy = 8,
    hekCancelled = 9,
    // The answer was larger than the request allows.
    hekTooLarge = 10,
};

namespace http {
class HttpClient;
}

// One exchange as HttpRequest::Send performs it.
struct OutgoingRequest {
    // A host name or address; "name:port" names its own port, which then replaces `port`.
    std::string host;
    int port = 80;
    std::string method = "GET";
    std::string path = "/";
    // Speak TLS to the server (https). Port 443 always does.
    bool secure = false;
    bool http10 = false;
    // Sent for any method but GET and HEAD.
    std::string body;
    std::string contentType;
    // How long the server may stay silent.
    int timeoutMs = 30000;
    std::string userAgent;
    // HTTP Basic authentication, sent only when `authPassword` is not empty.
    std::string authUser;
    std::string authPassword;
    // Further "Name: value" lines, such as a signed request's Authorization.
    std::vector<std::string> headers;
};

class HttpRequest {
public:
    // Sends over a client of its own, whose connections live as long as the request.
    HttpRequest();
    // Sends over `client`, sharing its open connections; the client must outlive the request.
    explicit HttpRequest(http::HttpClient& client);
    ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    // Forgets the last answer and the settings of the last Send (proxy, block size, TLS).
    void Reset();

    void Proxy(std::shared_ptr<ProxySettings> proxy);
    std::shared_ptr<ProxySettings> Proxy() const;

    // Bytes per BlockReceived call; the last block of a body may be shorter.
    void BlockSize(int bytes);
    int BlockSize() const;

    // Speak TLS to the server (https). Port 443 always does.
    void Secure(bool secure);
    bool Secure() const;

    static std::string MakeUserAgent(const Application& app);

    // Performs one exchange over the request's proxy and returns when it is
    // over: Ok, or why it failed (as RequestFailure says). An answer that
    // trickles in at under 1 KiB/s over a minute, or one larger than 64 MiB,
    // fails too. No redirect is followed.
    Status Send(const OutgoingRequest& exchange, IHTTPRequestCallback* callback);

    // 0 when no answer arrived.
    int StatusCode() const;
    std::string StatusText() const;
    // A transport error, or an answer other than 2xx.
    bool Failed() const;
    int ErrorKind() const;
    // The transport's own words for the failure ("" when the server answered).
    std::string ErrorText() const;
    // The answer's header block as received: status line and header lines, each ending in CR LF.
    std::string ResponseHeaders() const;
    // The value of the answer's first header of that name, whatever its case.
    std::optional<std::string> ResponseHeader(const std::string& name) const;
    std::string ResponseBody() const;
    // The address the last Send went to (no credentials in it).
    std::string EffectiveUrl() const;

    // Splits an absolute http or https URL. Default ports 80 and 443; the path
    // keeps its query and is "/" when the URL has none.
    static bool ParseUrl(const std::string& url, std::string& protocol, std::string& host, int& port,
                         std::string& path);
    // `reference` (absolute, or relative as a Location header may be) resolved
    // against the absolute `base`, as RFC 3986 says.
    static bool ResolveUrl(const std::string& base, const std::string& reference, std::string& absolute);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The kind of an answer's HTTP status, for every exchange: 429, and a 503
// that asks to wait, are Throttled; 404 and 410 NotFound; 401 Wall; any other
// HttpStatus.
StatusKind HttpStatusKind(int status, bool asksToWait);

// What went wrong with the request's last Send, in plain words, with the
// answer's status and Retry-After. A 429, and a 503 that asks to wait, are
// Throttled; a 404 NotFound; a 401 Wall. Ok when it did not fail.
Status RequestFailure(const HttpRequest& request);

}  // namespace qv
