// SPDX-License-Identifier: GPL-3.0-or-later
// A long-lived HTTP client: one libcurl multi handle whose transfers share
// open connections, TLS sessions and name look-ups, so that the requests of a
// run pay for a connection once. Several transfers may run at once; they move
// only while the owner calls Step (or Perform), on the owner's thread, and
// every event reaches the caller from there, never from inside libcurl.
// Not thread-safe.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Http.h"

namespace qv::http {

inline constexpr std::int64_t kMiB = 1024 * 1024;

// What a transfer may cost before it counts as failed. The defaults suit a
// page of the read API.
struct TransferLimits {
    // Nothing sent or received for this long: a time-out. 0: no limit.
    std::chrono::milliseconds silence{30000};
    // Fewer bytes than this a second, averaged over any `speedWindow` of the
    // transfer: a time-out. Catches a server that trickles a byte now and then
    // and so never falls silent. 0: no floor.
    std::int64_t minBytesPerSecond = 1024;
    std::chrono::seconds speedWindow{60};
    // A body larger than this fails as soon as that is known, by its
    // Content-Length or by the bytes counted. 0: no cap.
    std::int64_t maxBodyBytes = 64 * kMiB;
    // Redirects the client follows itself (http and https only, never carrying
    // credentials to another host). 0: the caller sees every 3xx.
    int maxRedirects = 0;
};

struct Request {
    std::string method = "GET";  // GET and HEAD send no body; any other method sends `body`
    std::string url;             // absolute http or https
    std::string body;
    std::string contentType;           // for a body; "" sends none
    std::vector<std::string> headers;  // further "Name: value" lines
    std::string userAgent;
    // HTTP Basic authentication, sent only when `authPassword` is not empty.
    std::string authUser;
    std::string authPassword;
    bool http10 = false;
    std::shared_ptr<const ProxySettings> proxy;  // null: direct
    TransferLimits limits;
};

struct Response {
    int status = 0;  // 0: no answer arrived
    std::string statusText;
    // The final answer's status line and header lines, each ending in CR LF.
    std::string headers;
    // A transport error, a limit passed, a cancel, or a status other than 2xx.
    bool failed = false;
    int errorKind = hekNone;
    std::string errorText;  // the transport's or the limit's words; "" when the server answered
    std::string effectiveUrl;
    std::int64_t bodyBytes = 0;       // body bytes handed to the events
    std::int64_t contentLength = -1;  // as announced; -1 when not
    int redirects = 0;

    // The value of the first header of that name, whatever its case; nullopt when absent.
    std::optional<std::string> Header(std::string_view name) const;
};

// Where a transfer stands, for the events below.
struct TransferState {
    std::int64_t received = 0;        // body bytes so far
    std::int64_t contentLength = -1;  // -1 until announced
    std::int64_t sent = 0;            // body bytes of the request handed on so far
    std::int64_t uploadSize = 0;
};

// The caller's side of one transfer. Each call answering false abandons the
// transfer: as cancelled, unless the call set `failure`, which is then the
// failure's description.
class ITransferEvents {
public:
    virtual ~ITransferEvents() = default;
    virtual bool Body(std::string_view data, const TransferState& state, std::string& failure) = 0;
    virtual bool Sent(const TransferState&) { return true; }
    // On every Step while the transfer runs, whether or not anything moved.
    virtual bool Tick(const TransferState&) { return true; }
};

struct ClientOptions {
    int maxConnectionsPerHost = 0;  // 0: no limit
};

class HttpClient {
public:
    using TransferId = std::uint64_t;

    explicit HttpClient(ClientOptions options = {});
    // Abandons whatever still runs.
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // `events` must outlive the transfer. A request that cannot be made (a bad
    // address) finishes at once as failed.
    TransferId Start(Request request, ITransferEvents& events);
    // Moves every transfer on, waiting at most `wait` for the network.
    void Step(std::chrono::milliseconds wait);
    bool Finished(TransferId id) const;
    // The outcome of a finished transfer, once; nullopt while it runs.
    std::optional<Response> Take(TransferId id);
    // Stops a transfer and forgets it; an unfinished one's connection is closed.
    void Abandon(TransferId id);
    std::size_t Running() const;

    // Runs one transfer to its end (others move on meanwhile) and returns its outcome.
    Response Perform(Request request, ITransferEvents& events);

    // Connections opened so far, for measurements.
    std::int64_t ConnectionsOpened() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The request of an exchange: its address built from host, port and path by
// the URL parser, never pieced together from strings. Usage when they make none.
Result<Request> RequestFor(const OutgoingRequest& exchange, std::shared_ptr<const ProxySettings> proxy);

// An events object that keeps the body in memory.
class MemoryBody : public ITransferEvents {
public:
    bool Body(std::string_view data, const TransferState&, std::string&) override {
        text.append(data);
        return true;
    }
    std::string text;
};

}  // namespace qv::http
