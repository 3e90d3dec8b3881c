// SPDX-License-Identifier: GPL-3.0-or-later
// One exchange at a time over an HttpClient, reported to the caller's callback
// in blocks of a fixed size.
#include <sys/utsname.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

#include "Http.h"
#include "Sundrykit.h"
#include "http/CurlUrl.h"
#include "http/HttpClient.h"

namespace qv {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kDefaultBlockSize = 4096;
// The caller's window only stays alive while it gets called, so a silent
// server still produces a call this often.
constexpr milliseconds kIdleTick{200};

int32_t Clamp32(std::int64_t value) {
    return static_cast<int32_t>(std::clamp<std::int64_t>(value, 0, std::numeric_limits<int32_t>::max()));
}

// Hands the body to the caller's callback in blocks of a fixed size, whatever
// pieces arrive, and keeps what the callback does not remove.
class BlockEvents : public http::ITransferEvents {
public:
    BlockEvents(IHTTPRequestCallback* callback, size_t blockSize, std::string upload, std::string& body)
        : callback_(callback),
          blockSize_(blockSize),
          upload_(std::move(upload)),
          body_(body),
          lastCall_(Clock::now()) {}

    bool Body(std::string_view data, const http::TransferState& state, std::string&) override {
        // One allocation for a body whose size is known, instead of doubling.
        if (body_.empty() && state.contentLength > 0) body_.reserve(static_cast<size_t>(state.contentLength));
        waiting_.append(data);
        return HandOn(state, false);
    }

    bool Sent(const http::TransferState& state) override {
        const size_t handed = static_cast<size_t>(state.sent);
        while (sent_ < handed) {
            const size_t waiting = handed - sent_;
            if (waiting < blockSize_ && handed < upload_.size()) break;
            const size_t length = std::min(waiting, blockSize_);
            const std::string block = upload_.substr(sent_, length);
            sent_ += length;
            bool cancel = false;
            if (callback_ != nullptr) {
                callback_->BlockSent(block, Clamp32(static_cast<std::int64_t>(sent_)),
                                     Clamp32(static_cast<std::int64_t>(upload_.size())), cancel);
                lastCall_ = Clock::now();
            }
            if (cancel) return false;
        }
        return true;
    }

    // An empty block when the caller has not been called for a while.
    bool Tick(const http::TransferState& state) override {
        if (callback_ == nullptr || Clock::now() - lastCall_ < kIdleTick) return true;
        bool remove = false;
        bool cancel = false;
        callback_->BlockReceived(std::string(), remove, Clamp32(received_), Total(state), cancel);
        lastCall_ = Clock::now();
        return !cancel;
    }

    // The short remainder once the transfer is over; false when the callback cancelled.
    bool Finish(const http::TransferState& state) { return HandOn(state, true); }

private:
    bool HandOn(const http::TransferState& state, bool last) {
        bool cancel = false;
        size_t taken = 0;
        while (!cancel) {
            const size_t left = waiting_.size() - taken;
            if (left == 0 || (left < blockSize_ && !last)) break;
            const size_t length = std::min(left, blockSize_);
            block_.assign(waiting_, taken, length);
            taken += length;
            received_ += static_cast<std::int64_t>(length);
            bool remove = false;
            if (callback_ != nullptr) {
                callback_->BlockReceived(block_, remove, Clamp32(received_), Total(state), cancel);
                lastCall_ = Clock::now();
            }
            if (!remove) body_ += block_;
        }
        waiting_.erase(0, taken);
        return !cancel;
    }

    int32_t Total(const http::TransferState& state) const {
        return Clamp32(state.contentLength >= 0 ? state.contentLength : received_);
    }

    IHTTPRequestCallback* callback_;
    size_t blockSize_;
    const std::string upload_;  // the request's body, which the client owns once started
    std::string& body_;
    std::string waiting_;
    std::string block_;
    size_t sent_ = 0;
    std::int64_t received_ = 0;
    Clock::time_point lastCall_;
};

}  // namespace

struct HttpRequest::Impl {
    std::unique_ptr<http::HttpClient> own;
    http::HttpClient* client = nullptr;

    std::shared_ptr<ProxySettings> proxy;
    int blockSize = kDefaultBlockSize;
    bool secure = false;
    http::Response answer;
    std::string body;

    void ClearAnswer() {
        answer = http::Response();
        body.clear();
    }

    bool Fail(int kind, std::string text) {
        answer.failed = true;
        answer.errorKind = kind;
        answer.errorText = std::move(text);
        return false;
    }
};

HttpRequest::HttpRequest() : impl_(std::make_unique<Impl>()) {
    impl_->own = std::make_unique<http::HttpClient>();
    impl_->client = impl_->own.get();
}

HttpRequest::HttpRequest(http::HttpClient& client) : impl_(std::make_unique<Impl>()) {
    impl_->client = &client;
}

HttpRequest::~HttpRequest() = default;

void HttpRequest::Reset() {
    impl_->ClearAnswer();
    impl_->proxy.reset();
    impl_->blockSize = kDefaultBlockSize;
    impl_->secure = false;
}

void HttpRequest::Proxy(std::shared_ptr<ProxySettings> proxy) { impl_->proxy = std::move(proxy); }

std::shared_ptr<ProxySettings> HttpRequest::Proxy() const { return impl_->proxy; }

// Sizes below 1 mean the default.
void HttpRequest::BlockSize(int bytes) { impl_->blockSize = bytes > 0 ? bytes : kDefaultBlockSize; }

int HttpRequest::BlockSize() const { return impl_->blockSize; }

void HttpRequest::Secure(bool secure) { impl_->secure = secure; }

bool HttpRequest::Secure() const { return impl_->secure; }

std::string HttpRequest::MakeUserAgent(const Application& app) {
    utsname system{};
    const std::string systemName = uname(&system) == 0 ? system.sysname : "Linux";
    return app.ProductName + "/" + VersionText(app) + " (" + systemName +
           ")";
}

Status HttpRequest::Send(const OutgoingRequest& exchange, IHTTPRequestCallback* callback) {
    Impl& d = *impl_;
    d.ClearAnswer();
    OutgoingRequest asked = exchange;
    asked.secure = exchange.secure || d.secure;
    Result<http::Request> request = http::RequestFor(asked, d.proxy);
    if (!request) {
        d.Fail(hekBadAddress, request.status().text());
        return RequestFailure(*this);
    }
    const std::string url = request->url;

    BlockEvents events(callback, static_cast<size_t>(d.blockSize), request->body, d.body);
    d.answer = d.client->Perform(std::move(*request), events);
    http::TransferState state;
    state.received = d.answer.bodyBytes;
    state.contentLength = d.answer.contentLength;
    if (!events.Finish(state) && !d.answer.failed) d.Fail(hekCancelled, "the transfer was cancelled");
    if (d.answer.effectiveUrl.empty()) d.answer.effectiveUrl = url;
    return RequestFailure(*this);
}

int HttpRequest::StatusCode() const { return impl_->answer.status; }

std::string HttpRequest::StatusText() const { return impl_->answer.statusText; }

bool HttpRequest::Failed() const { return impl_->answer.failed; }

int HttpRequest::ErrorKind() const { return impl_->answer.errorKind; }

std::string HttpRequest::ErrorText() const { return impl_->answer.errorText; }

std::string HttpRequest::ResponseHeaders() const { return impl_->answer.headers; }

std::optional<std::string> HttpRequest::ResponseHeader(const std::string& name) const {
    return impl_->answer.Header(name);
}

std::string HttpRequest::ResponseBody() const { return impl_->body; }

std::string HttpRequest::EffectiveUrl() const { return impl_->answer.effectiveUrl; }

bool HttpRequest::ResolveUrl(const std::string& base, const std::string& reference, std::string& absolute) {
    http::CurlUrl url;
    if (!url.Set(CURLUPART_URL, base) || !url.Set(CURLUPART_URL, reference)) return false;
    absolute = url.Get(CURLUPART_URL);
    return !absolute.empty();
}

bool HttpRequest::ParseUrl(const std::string& url, std::string& protocol, std::string& host, int& port,
                           std::string& path) {
    http::CurlUrl parsed;
    // No scheme guessing: a relative address or a bare host name is refused.
    if (!parsed.Set(CURLUPART_URL, url)) return false;
    const std::string scheme = parsed.Get(CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https") return false;
    // libcurl forgives "http:/host" and "http:///host"; an address a server
    // sends must name its host right after the two slashes.
    const std::string opening = url.substr(0, scheme.size() + 4);
    if (opening.size() < scheme.size() + 4 || opening[scheme.size()] != ':' ||
        opening[scheme.size() + 1] != '/' || opening[scheme.size() + 2] != '/' ||
        opening[scheme.size() + 3] == '/') {
        return false;
    }
    const std::string name = parsed.Get(CURLUPART_HOST);
    const std::string portText = parsed.Get(CURLUPART_PORT, CURLU_DEFAULT_PORT);
    int number = 0;
    try {
        number = std::stoi(portText);
    } catch (const std::logic_error&) {
        return false;  // no port libcurl could name: not an address we can use
    }
    if (name.empty() || number < 1 || number > 65535) return false;

    std::string fullPath = parsed.Get(CURLUPART_PATH);
    if (fullPath.empty()) fullPath.push_back('/');
    const std::string query = parsed.Get(CURLUPART_QUERY);
    if (!query.empty()) fullPath.append(1, '?').append(query);

    protocol = scheme;
    host = name;
    port = number;
    path = fullPath;
    return true;
}

}  // namespace qv
