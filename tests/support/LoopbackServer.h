// SPDX-License-Identifier: GPL-3.0-or-later
// A small HTTP/1.1 server on 127.0.0.1 that every HTTP test talks to over real
// sockets. Each request is recorded, then answered from a queue of scripted
// responses or, when the queue is empty, by a handler. Several may run at once
// (a redirect target, a proxy). All members are thread-safe; the handler runs
// on the connection's own thread, one thread per connection. Bytes that are
// not HTTP (a TLS handshake, say) get "400 Bad Request" and a close at once.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace qv::test {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct BasicCredentials {
    std::string user;
    std::string password;
};

// One request as the server received it.
struct HttpExchange {
    std::string method;
    // As sent: "/api/read?x=1", or "http://host:port/api/read" when it came through a proxy.
    std::string target;
    std::string version;  // "HTTP/1.1"
    HeaderList headers;   // in the order received, names as sent
    std::string body;     // already de-chunked
    int localPort = 0;    // the port of the server that took the request
    int connection = 0;   // which connection of that server, counted from 1

    // The first header of that name (case-insensitive); nullopt when absent.
    std::optional<std::string> Header(std::string_view name) const;
    // The body read as application/x-www-form-urlencoded, in the order sent.
    std::vector<std::pair<std::string, std::string>> FormFields() const;
    // The Authorization header read as HTTP Basic; nullopt when absent or not Basic.
    std::optional<BasicCredentials> BasicAuth() const;
};

// What the server answers to one request. The fields past `body` script faults.
struct ScriptedResponse {
    int status = 200;
    std::string reason;  // empty: the usual phrase for `status`
    // Content-Length and Connection are added unless given here; nothing else is.
    HeaderList headers;
    std::string body;

    // Sent verbatim in place of the status line and headers (end it with the
    // blank line yourself); the connection closes after the body.
    std::string rawHead;
    int delayBeforeHeadersMs = 0;
    // Send the body in pieces of this many bytes with a pause after each (0: one piece).
    std::size_t bodyChunkBytes = 0;
    int chunkDelayMs = 0;
    // Close the connection after this many body bytes although Content-Length promised all.
    std::optional<std::size_t> closeAfterBodyBytes;
    // Read the request and never answer, until the client goes away or the server stops.
    bool stall = false;
    // No Content-Length: the body ends when the server closes the connection.
    bool omitContentLength = false;
    // After `body`, this many bytes of filler, made while they are sent: a huge
    // answer that the server never holds in memory.
    std::size_t fillerBytes = 0;

    static ScriptedResponse Ok(std::string body, std::string contentType = "text/xml; charset=utf-8");
    static ScriptedResponse Status(int status, std::string body = {});
    static ScriptedResponse Redirect(int status, std::string location);
    static ScriptedResponse Stalled();
};

class LoopbackServer {
public:
    using Handler = std::function<ScriptedResponse(const HttpExchange&)>;

    // Listens on 127.0.0.1 at a free port. Without a handler every request gets 404.
    explicit LoopbackServer(Handler handler = {});
    // Stops promptly, even while a connection stalls or waits between pieces.
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    void SetHandler(Handler handler);
    // The next requests get these responses, in order, before the handler is asked again.
    void Enqueue(ScriptedResponse response);
    void Enqueue(std::vector<ScriptedResponse> responses);
    std::size_t QueuedCount() const;
    void ClearQueue();

    // Off by default: every answer says "Connection: close". On: answers that
    // end cleanly keep the connection open for the client's next request.
    void SetKeepAlive(bool keepAlive);
    // What a real service costs: a pause before a new connection's first
    // request is read (its TCP and TLS set-up), and before every answer.
    void SetConnectionSetupDelay(std::chrono::milliseconds delay);
    void SetServiceTime(std::chrono::milliseconds time);
    // Connections accepted since the server started.
    int ConnectionsAccepted() const;

    int Port() const { return port_; }
    std::string Address() const;                   // "127.0.0.1:<port>"
    std::string Url(std::string_view path) const;  // "http://127.0.0.1:<port><path>"

    // Connections open right now, and the most that were ever open at once.
    int OpenConnections() const;
    int PeakConnections() const;

    std::vector<HttpExchange> Exchanges() const;
    std::size_t ExchangeCount() const;
    void ClearExchanges();
    // Whether `count` requests have arrived within `limit` (for requests whose answer never comes).
    bool WaitForExchanges(std::size_t count, std::chrono::milliseconds limit) const;

    // Closes the listener and every connection; the destructor calls it.
    void Stop();

private:
    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void AcceptLoop();
    void Serve(int fd, int number);
    ScriptedResponse NextResponse(const HttpExchange& exchange);
    void ReapFinished();

    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    std::thread acceptor_;

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    Handler handler_;
    std::deque<ScriptedResponse> queue_;
    std::vector<HttpExchange> exchanges_;
    std::list<Connection> connections_;
    int connectionCount_ = 0;
    int openConnections_ = 0;
    int peakConnections_ = 0;
    bool keepAlive_ = false;
    std::chrono::milliseconds setupDelay_{0};
    std::chrono::milliseconds serviceTime_{0};
    bool stopped_ = false;
};

}  // namespace qv::test
