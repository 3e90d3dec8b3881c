// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <system_error>

namespace qv::test {

namespace {

constexpr std::size_t kMaxHeadBytes = 64 * 1024;
// How long a closing connection waits for the client to hang up, so that
// unread bytes on our side never turn the close into a reset.
constexpr int kLingerMs = 2000;

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string FormDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
                   HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::string> Base64Decode(std::string_view text) {
    static constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') break;
        const auto at = kAlphabet.find(c);
        if (at == std::string_view::npos) return std::nullopt;
        buffer = (buffer << 6) | static_cast<unsigned>(at);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

const char* ReasonFor(int status) {
    switch (status) {
        case 100:
            return "Continue";
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 307:
            return "Temporary Redirect";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 407:
            return "Proxy Authentication Required";
        case 408:
            return "Request Timeout";
        case 500:
            return "Internal Server Error";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        default:
            return "Unknown";
    }
}

bool HasHeader(const HeaderList& headers, std::string_view name) {
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto& h) { return EqualsNoCase(h.first, name); });
}

enum class Wait { Ready, Stopped, TimedOut, Closed };

// Waits for `events` on `fd` unless the server is stopping. timeoutMs < 0 waits for ever.
Wait WaitFor(int fd, short events, int stopFd, int timeoutMs) {
    pollfd fds[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        const int n = poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowErrno("poll");
        if (n == 0) return Wait::TimedOut;
        if (fds[1].revents) return Wait::Stopped;
        if (fds[0].revents & (events | POLLHUP | POLLERR)) return Wait::Ready;
        if (fds[0].revents & POLLNVAL) return Wait::Closed;
    }
}

// Sleeps for `ms` unless the server stops first; answers whether it slept the whole time.
bool Pause(int stopFd, int ms) {
    if (ms <= 0) return true;
    pollfd fd{stopFd, POLLIN, 0};
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now())
                .count();
        if (left <= 0) return true;
        const int n = poll(&fd, 1, static_cast<int>(left));
        if (n > 0) return false;
        if (n < 0 && errno != EINTR) ThrowErrno("poll");
    }
}

// Writes everything; false when the client has gone or the server stops.
bool SendAll(int fd, int stopFd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (WaitFor(fd, POLLOUT, stopFd, -1) != Wait::Ready) return false;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

// Buffered reading from a non-blocking socket that gives up when the server stops.
class Reader {
public:
    Reader(int fd, int stopFd) : fd_(fd), stopFd_(stopFd) {}

    // More bytes appended to the buffer; false on end of stream, error or stop.
    bool Fill() {
        char chunk[16384];
        for (;;) {
            const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
            if (n > 0) {
                buffer_.append(chunk, static_cast<std::size_t>(n));
                return true;
            }
            if (n == 0) return false;
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
            if (WaitFor(fd_, POLLIN, stopFd_, -1) != Wait::Ready) return false;
        }
    }

    // Takes a line without its line break; false when none arrives.
    bool Line(std::string& line) {
        for (;;) {
            const auto end = buffer_.find('\n');
            if (end != std::string::npos) {
                line.assign(buffer_, 0, end);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                buffer_.erase(0, end + 1);
                return true;
            }
            if (buffer_.size() > kMaxHeadBytes || !Fill()) return false;
        }
    }

    bool Take(std::size_t count, std::string& out) {
        while (buffer_.size() < count) {
            if (!Fill()) return false;
        }
        out.append(buffer_, 0, count);
        buffer_.erase(0, count);
        return true;
    }

    // The first byte waiting, once one arrived.
    std::optional<char> Peek() {
        if (buffer_.empty() && !Fill()) return std::nullopt;
        return buffer_.front();
    }

private:
    int fd_;
    int stopFd_;
    std::string buffer_;
};

bool ReadChunkedBody(Reader& reader, std::string& body) {
    for (;;) {
        std::string line;
        if (!reader.Line(line)) return false;
        std::size_t size = 0;
        try {
            size = std::stoul(line, nullptr, 16);
        } catch (const std::logic_error&) {
            return false;  // not a chunk size: a malformed request ends the connection
        }
        if (size == 0) {
            // Trailers up to the blank line.
            while (reader.Line(line)) {
                if (line.empty()) return true;
            }
            return false;
        }
        std::string crlf;
        if (!reader.Take(size, body) || !reader.Line(crlf)) return false;
    }
}

enum class Request { Complete, Gone, Malformed };

// Reads one request; Gone when the connection ended or broke before a whole one came.
Request ReadRequest(Reader& reader, int fd, int stopFd, HttpExchange& exchange) {
    // A TLS handshake or other binary talk gets its 400 at once instead of
    // waiting for a line break that may never come.
    const auto opening = reader.Peek();
    if (!opening) return Request::Gone;
    if (!std::isupper(static_cast<unsigned char>(*opening)) && *opening != '\r' && *opening != '\n') {
        return Request::Malformed;
    }

    std::string line;
    do {
        if (!reader.Line(line)) return Request::Gone;
    } while (line.empty());  // tolerated before a request line

    const auto first = line.find(' ');
    const auto second = first == std::string::npos ? first : line.find(' ', first + 1);
    if (second == std::string::npos) return Request::Malformed;
    exchange.method = line.substr(0, first);
    exchange.target = line.substr(first + 1, second - first - 1);
    exchange.version = line.substr(second + 1);

    for (;;) {
        if (!reader.Line(line)) return Request::Gone;
        if (line.empty()) break;
        const auto colon = line.find(':');
        if (colon == std::string::npos) return Request::Malformed;
        exchange.headers.emplace_back(line.substr(0, colon),
                                      std::string(Trim(std::string_view(line).substr(colon + 1))));
    }

    const auto encoding = exchange.Header("Transfer-Encoding");
    const bool chunked = encoding && EqualsNoCase(Trim(*encoding), "chunked");
    const auto length = exchange.Header("Content-Length");
    std::size_t count = 0;
    if (!chunked && length) {
        try {
            count = std::stoul(*length);
        } catch (const std::logic_error&) {
            return Request::Malformed;
        }
    }
    const auto expect = exchange.Header("Expect");
    if ((chunked || count > 0) && expect && EqualsNoCase(*expect, "100-continue")) {
        if (!SendAll(fd, stopFd, "HTTP/1.1 100 Continue\r\n\r\n")) return Request::Gone;
    }
    if (chunked) return ReadChunkedBody(reader, exchange.body) ? Request::Complete : Request::Gone;
    return reader.Take(count, exchange.body) ? Request::Complete : Request::Gone;
}

std::string BuildHead(const ScriptedResponse& response, bool keepAlive) {
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
                       (response.reason.empty() ? ReasonFor(response.status) : response.reason) + "\r\n";
    for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
    if (!response.omitContentLength && !HasHeader(response.headers, "Content-Length")) {
        head += "Content-Length: " + std::to_string(response.body.size() + response.fillerBytes) + "\r\n";
    }
    if (!HasHeader(response.headers, "Connection"))
        head += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    return head + "\r\n";
}

// Sends the scripted answer; true when the connection may carry another request.
bool WriteResponse(int fd, int stopFd, const HttpExchange& request, const ScriptedResponse& response,
                   bool keepAlive) {
    if (response.stall) {
        // Anything more the client sends is ignored; only its hang-up or our stop ends this.
        char sink[4096];
        for (;;) {
            if (WaitFor(fd, POLLIN, stopFd, -1) != Wait::Ready) return false;
            const ssize_t n = recv(fd, sink, sizeof sink, 0);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) return false;
        }
    }
    if (!Pause(stopFd, response.delayBeforeHeadersMs)) return false;

    const bool cleanEnd = keepAlive && response.rawHead.empty() && !response.closeAfterBodyBytes &&
                          !response.omitContentLength && !HasHeader(response.headers, "Connection");
    const std::string head = response.rawHead.empty() ? BuildHead(response, cleanEnd) : response.rawHead;
    if (!SendAll(fd, stopFd, head)) return false;

    std::string_view body = request.method == "HEAD" ? std::string_view() : std::string_view(response.body);
    if (response.closeAfterBodyBytes)
        body = body.substr(0, std::min(*response.closeAfterBodyBytes, body.size()));
    const std::size_t piece =
        response.bodyChunkBytes > 0 ? response.bodyChunkBytes : std::max<std::size_t>(body.size(), 1);
    while (!body.empty()) {
        const auto part = body.substr(0, piece);
        if (!SendAll(fd, stopFd, part)) return false;
        body.remove_prefix(part.size());
        if (!body.empty() && !Pause(stopFd, response.chunkDelayMs)) return false;
    }
    const std::string filler(64 * 1024, 'x');
    for (std::size_t left = response.fillerBytes; left > 0;) {
        const std::size_t part = std::min(left, filler.size());
        if (!SendAll(fd, stopFd, std::string_view(filler).substr(0, part))) return false;
        left -= part;
    }
    return cleanEnd;
}

// Half-closes and waits for the client to hang up, so the client reads all we sent.
void CloseGracefully(int fd, int stopFd) {
    shutdown(fd, SHUT_WR);
    char sink[4096];
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLingerMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now())
                .count();
        if (left <= 0 || WaitFor(fd, POLLIN, stopFd, static_cast<int>(left)) != Wait::Ready) break;
        const ssize_t n = recv(fd, sink, sizeof sink, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) break;
    }
    close(fd);
}

}  // namespace

std::optional<std::string> HttpExchange::Header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (EqualsNoCase(key, name)) return value;
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> HttpExchange::FormFields() const {
    std::vector<std::pair<std::string, std::string>> fields;
    std::string_view rest = body;
    while (!rest.empty()) {
        const auto amp = rest.find('&');
        const auto pair = rest.substr(0, amp);
        const auto eq = pair.find('=');
        if (eq == std::string_view::npos) {
            fields.emplace_back(FormDecode(pair), std::string());
        } else {
            fields.emplace_back(FormDecode(pair.substr(0, eq)), FormDecode(pair.substr(eq + 1)));
        }
        if (amp == std::string_view::npos) break;
        rest.remove_prefix(amp + 1);
    }
    return fields;
}

std::optional<BasicCredentials> HttpExchange::BasicAuth() const {
    const auto value = Header("Authorization");
    if (!value || value->size() < 6 || !EqualsNoCase(std::string_view(*value).substr(0, 6), "Basic ")) {
        return std::nullopt;
    }
    const auto decoded = Base64Decode(Trim(std::string_view(*value).substr(6)));
    if (!decoded) return std::nullopt;
    const auto colon = decoded->find(':');
    if (colon == std::string::npos) return BasicCredentials{*decoded, {}};
    return BasicCredentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

ScriptedResponse ScriptedResponse::Ok(std::string body, std::string contentType) {
    ScriptedResponse response;
    response.body = std::move(body);
    response.headers.emplace_back("Content-Type", std::move(contentType));
    return response;
}

ScriptedResponse ScriptedResponse::Status(int status, std::string body) {
    ScriptedResponse response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

ScriptedResponse ScriptedResponse::Redirect(int status, std::string location) {
    ScriptedResponse response;
    response.status = status;
    response.headers.emplace_back("Location", std::move(location));
    return response;
}

ScriptedResponse ScriptedResponse::Stalled() {
    ScriptedResponse response;
    response.stall = true;
    return response;
}

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    if (pipe2(stopPipe_, O_CLOEXEC) != 0) ThrowErrno("pipe2");
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) ThrowErrno("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd_, 64) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        const int error = errno;
        close(listenFd_);
        close(stopPipe_[0]);
        close(stopPipe_[1]);
        throw std::system_error(error, std::generic_category(), "listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() { Stop(); }

void LoopbackServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        stopped_ = true;
    }
    // Never read: once written, every poll on the pipe sees it for good.
    const char byte = 1;
    while (write(stopPipe_[1], &byte, 1) < 0 && errno == EINTR) {
    }
    acceptor_.join();
    std::list<Connection> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (auto& connection : connections) connection.thread.join();
    close(listenFd_);
    close(stopPipe_[0]);
    close(stopPipe_[1]);
}

void LoopbackServer::AcceptLoop() {
    for (;;) {
        const Wait wait = WaitFor(listenFd_, POLLIN, stopPipe_[0], 500);
        if (wait == Wait::Stopped || wait == Wait::Closed) return;
        ReapFinished();
        if (wait == Wait::TimedOut) continue;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) continue;  // the client gave up before we took it, or EINTR: nothing to serve
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::lock_guard lock(mutex_);
        const int number = ++connectionCount_;
        peakConnections_ = std::max(peakConnections_, ++openConnections_);
        auto finished = std::make_shared<std::atomic<bool>>(false);
        connections_.push_back({std::thread([this, fd, number, finished] {
                                    Serve(fd, number);
                                    finished->store(true);
                                }),
                                finished});
    }
}

void LoopbackServer::ReapFinished() {
    std::list<Connection> done;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (it->finished->load()) {
                done.splice(done.end(), connections_, it++);
            } else {
                ++it;
            }
        }
    }
    for (auto& connection : done) connection.thread.join();
}

void LoopbackServer::Serve(int fd, int number) {
    const int stopFd = stopPipe_[0];
    Reader reader(fd, stopFd);
    std::chrono::milliseconds setupDelay;
    {
        std::lock_guard lock(mutex_);
        setupDelay = setupDelay_;
    }
    bool again = Pause(stopFd, static_cast<int>(setupDelay.count()));
    while (again) {
        HttpExchange exchange;
        exchange.localPort = port_;
        exchange.connection = number;
        const Request request = ReadRequest(reader, fd, stopFd, exchange);
        if (request == Request::Malformed) {
            SendAll(fd, stopFd, "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            break;
        }
        if (request == Request::Gone) break;
        bool keepAlive = false;
        std::chrono::milliseconds serviceTime;
        {
            std::lock_guard lock(mutex_);
            exchanges_.push_back(exchange);
            keepAlive = keepAlive_;
            serviceTime = serviceTime_;
        }
        arrived_.notify_all();
        const auto connectionHeader = exchange.Header("Connection");
        if (connectionHeader && EqualsNoCase(*connectionHeader, "close")) keepAlive = false;
        ScriptedResponse response;
        try {
            response = NextResponse(exchange);
        } catch (const std::exception& e) {
            // A broken handler is a broken test: say so loudly and answer 500.
            std::cerr << "LoopbackServer handler threw: " << e.what() << std::endl;
            response = ScriptedResponse::Status(500, e.what());
        }
        again = Pause(stopFd, static_cast<int>(serviceTime.count())) &&
                WriteResponse(fd, stopFd, exchange, response, keepAlive);
    }
    CloseGracefully(fd, stopFd);
    std::lock_guard lock(mutex_);
    --openConnections_;
}

ScriptedResponse LoopbackServer::NextResponse(const HttpExchange& exchange) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        if (!queue_.empty()) {
            ScriptedResponse next = std::move(queue_.front());
            queue_.pop_front();
            return next;
        }
        handler = handler_;
    }
    if (!handler) return ScriptedResponse::Status(404, "no handler");
    return handler(exchange);
}

void LoopbackServer::SetHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void LoopbackServer::Enqueue(ScriptedResponse response) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(response));
}

void LoopbackServer::Enqueue(std::vector<ScriptedResponse> responses) {
    std::lock_guard lock(mutex_);
    for (auto& response : responses) queue_.push_back(std::move(response));
}

std::size_t LoopbackServer::QueuedCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void LoopbackServer::ClearQueue() {
    std::lock_guard lock(mutex_);
    queue_.clear();
}

void LoopbackServer::SetConnectionSetupDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    setupDelay_ = delay;
}

void LoopbackServer::SetServiceTime(std::chrono::milliseconds time) {
    std::lock_guard lock(mutex_);
    serviceTime_ = time;
}

int LoopbackServer::ConnectionsAccepted() const {
    std::lock_guard lock(mutex_);
    return connectionCount_;
}

void LoopbackServer::SetKeepAlive(bool keepAlive) {
    std::lock_guard lock(mutex_);
    keepAlive_ = keepAlive;
}

std::string LoopbackServer::Address() const { return "127.0.0.1:" + std::to_string(port_); }

std::string LoopbackServer::Url(std::string_view path) const {
    return "http://" + Address() + std::string(path);
}

int LoopbackServer::OpenConnections() const {
    std::lock_guard lock(mutex_);
    return openConnections_;
}

int LoopbackServer::PeakConnections() const {
    std::lock_guard lock(mutex_);
    return peakConnections_;
}

std::vector<HttpExchange> LoopbackServer::Exchanges() const {
    std::lock_guard lock(mutex_);
    return exchanges_;
}

std::size_t LoopbackServer::ExchangeCount() const {
    std::lock_guard lock(mutex_);
    return exchanges_.size();
}

void LoopbackServer::ClearExchanges() {
    std::lock_guard lock(mutex_);
    exchanges_.clear();
}

bool LoopbackServer::WaitForExchanges(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, limit, [&] { return exchanges_.size() >= count; });
}

}  // namespace qv::test
