#include <curl/curl.h>
#include <sys/utsname.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "CurlUrl.h"
#include "Error.h"
#include "Http.h"
#include "Sundrykit.h"

namespace qv {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kDefaultBlockSize = 4096;
// The caller's window only stays alive while it gets called, so the loop never
// sleeps long and a silent server still produces a call this often.
constexpr milliseconds kPollWait{100};
constexpr milliseconds kIdleTick{200};

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
        if (code != CURLE_OK)
            throw Error(code, std::string("libcurl failed to start: ") + curl_easy_strerror(code));
    });
}

int32_t Clamp32(long long value) {
    return static_cast<int32_t>(std::clamp<long long>(value, 0, std::numeric_limits<int32_t>::max()));
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// curl_easy_setopt for options that cannot fail but for lack of memory.
template <typename T>
void SetOption(CURL* easy, CURLoption option, T value) {
    const CURLcode code = curl_easy_setopt(easy, option, value);
    if (code == CURLE_OUT_OF_MEMORY) throw std::bad_alloc();
    if (code != CURLE_OK)
        throw Error(code, std::string("libcurl refused an option: ") + curl_easy_strerror(code));
}

class HeaderList {
public:
    HeaderList() = default;
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;
    ~HeaderList() { curl_slist_free_all(list_); }
    void Add(const std::string& line) {
        curl_slist* grown = curl_slist_append(list_, line.c_str());
        if (grown == nullptr) throw std::bad_alloc();
        list_ = grown;
    }
    curl_slist* Get() const { return list_; }

private:
    curl_slist* list_ = nullptr;
};

// What libcurl's callbacks leave for the loop in Send. They only record: the
// caller's callback is never run from inside libcurl.
struct Transfer {
    const std::string* upload = nullptr;
    std::size_t uploadPos = 0;
    // The furthest point of the body ever handed to libcurl: after a rewind the
    // same bytes are not reported as sent twice.
    std::size_t uploadHanded = 0;
    std::string received;
    std::size_t receivedTaken = 0;
    std::string headers;
    std::string statusLine;
    Clock::time_point lastActivity;
    std::exception_ptr failure;

    void Touch() { lastActivity = Clock::now(); }
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    try {
        transfer.Touch();
        std::string_view line(data, length);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
        if (line.starts_with("HTTP/")) {
            // A new answer begins (after a proxy's CONNECT or an interim 1xx).
            transfer.headers.clear();
            transfer.statusLine = line;
        }
        transfer.headers.append(line).append("\r\n");
    } catch (...) {
        transfer.failure = std::current_exception();  // rethrown by Send once libcurl has let go
        return 0;
    }
    return length;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    try {
        transfer.Touch();
        transfer.received.append(data, length);
    } catch (...) {
        transfer.failure = std::current_exception();
        return 0;
    }
    return length;
}

size_t OnUpload(char* buffer, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::string& body = *transfer.upload;
    const size_t length = std::min(size * count, body.size() - transfer.uploadPos);
    std::memcpy(buffer, body.data() + transfer.uploadPos, length);
    transfer.uploadPos += length;
    transfer.uploadHanded = std::max(transfer.uploadHanded, transfer.uploadPos);
    if (length > 0) transfer.Touch();
    return length;
}

// libcurl rewinds the body when it must resend it on a fresh connection.
int OnSeek(void* user, curl_off_t offset, int origin) {
    auto& transfer = *static_cast<Transfer*>(user);
    if (origin != SEEK_SET || offset < 0 || static_cast<size_t>(offset) > transfer.upload->size()) {
        return CURL_SEEKFUNC_CANTSEEK;
    }
    transfer.uploadPos = static_cast<size_t>(offset);
    return CURL_SEEKFUNC_OK;
}

// Hands the body to the caller's callback in blocks of a fixed size, whatever
// pieces libcurl happens to deliver, and keeps what the callback does not remove.
class Progress {
public:
    Progress(IHTTPRequestCallback* callback, size_t blockSize, std::string& body)
        : callback_(callback), blockSize_(blockSize), body_(body), lastCall_(Clock::now()) {}

    // Answers false when the callback asked to cancel.
    bool Sent(const std::string& upload, size_t handed) {
        while (sent_ < handed) {
            const size_t waiting = handed - sent_;
            if (waiting < blockSize_ && handed < upload.size()) break;
            const size_t length = std::min(waiting, blockSize_);
            const std::string block = upload.substr(sent_, length);
            sent_ += length;
            bool cancel = false;
            if (callback_ != nullptr) {
                callback_->BlockSent(block, Clamp32(static_cast<long long>(sent_)),
                                     Clamp32(static_cast<long long>(upload.size())), cancel);
                lastCall_ = Clock::now();
            }
            if (cancel) return false;
        }
        return true;
    }

    // With `last` the short remainder goes out too. `contentLength` < 0: unknown.
    bool Received(Transfer& transfer, bool last, curl_off_t contentLength) {
        bool cancel = false;
        for (;;) {
            const size_t waiting = transfer.received.size() - transfer.receivedTaken;
            if (waiting == 0 || (waiting < blockSize_ && !last)) break;
            const size_t length = std::min(waiting, blockSize_);
            const std::string block = transfer.received.substr(transfer.receivedTaken, length);
            transfer.receivedTaken += length;
            received_ += length;
            bool remove = false;
            if (callback_ != nullptr) {
                callback_->BlockReceived(block, remove, Clamp32(static_cast<long long>(received_)),
                                         Total(contentLength), cancel);
                lastCall_ = Clock::now();
            }
            if (!remove) body_ += block;
            if (cancel) break;
        }
        // Drop what was handed on, but not a byte at a time.
        if (transfer.receivedTaken == transfer.received.size()) {
            transfer.received.clear();
            transfer.receivedTaken = 0;
        } else if (transfer.receivedTaken > (1u << 20)) {
            transfer.received.erase(0, transfer.receivedTaken);
            transfer.receivedTaken = 0;
        }
        return !cancel;
    }

    // An empty block when the caller has not been called for a while.
    bool TickIfIdle(curl_off_t contentLength) {
        if (callback_ == nullptr || Clock::now() - lastCall_ < kIdleTick) return true;
        bool remove = false;
        bool cancel = false;
        callback_->BlockReceived(std::string(), remove, Clamp32(static_cast<long long>(received_)),
                                 Total(contentLength), cancel);
        lastCall_ = Clock::now();
        return !cancel;
    }

    // How long the loop may wait before the next idle tick is due.
    milliseconds UntilTick() const {
        if (callback_ == nullptr) return kPollWait;
        return std::chrono::duration_cast<milliseconds>(kIdleTick - (Clock::now() - lastCall_));
    }

private:
    int32_t Total(curl_off_t contentLength) const {
        return Clamp32(contentLength >= 0 ? static_cast<long long>(contentLength)
                                          : static_cast<long long>(received_));
    }

    IHTTPRequestCallback* callback_;
    size_t blockSize_;
    std::string& body_;
    size_t sent_ = 0;
    size_t received_ = 0;
    Clock::time_point lastCall_;
};

int KindOf(CURLcode code, bool manualProxy, long connectCode) {
    if (connectCode != 0 && (connectCode < 200 || connectCode > 299)) return hekProxy;
    switch (code) {
        case CURLE_URL_MALFORMAT:
            return hekBadAddress;
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_PROXY:
            return hekProxy;
        case CURLE_COULDNT_RESOLVE_HOST:
            return hekResolve;
        // With a proxy of our own the only connection made is the one to it.
        case CURLE_COULDNT_CONNECT:
            return manualProxy ? hekProxy : hekConnect;
        case CURLE_OPERATION_TIMEDOUT:
            return hekTimeout;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_SHUTDOWN_FAILED:
        case CURLE_SSL_CLIENTCERT:
        case CURLE_USE_SSL_FAILED:
            return hekSecurity;
        case CURLE_ABORTED_BY_CALLBACK:
            return hekCancelled;
        default:
            return hekTransfer;
    }
}

// The reason phrase of a status line, when the line carries `code`.
std::string ReasonOf(const std::string& statusLine, long code) {
    const auto first = statusLine.find(' ');
    if (first == std::string::npos || code == 0) return {};
    const auto second = statusLine.find(' ', first + 1);
    if (statusLine.substr(first + 1, second == std::string::npos ? second : second - first - 1) !=
        std::to_string(code)) {
        return {};
    }
    if (second == std::string::npos) return {};
    std::string reason = statusLine.substr(second + 1);
    while (!reason.empty() && (reason.back() == ' ' || reason.back() == '\t')) reason.pop_back();
    return reason;
}

}  // namespace

struct HttpRequest::Impl {
    // Kept for the life of the object: the multi handle holds the connections a
    // later Send to the same server can reuse.
    CURL* easy = nullptr;
    CURLM* multi = nullptr;

    std::shared_ptr<ProxySettings> proxy;
    int blockSize = kDefaultBlockSize;
    bool secure = false;

    int statusCode = 0;
    std::string statusText;
    bool failed = false;
    int errorKind = hekNone;
    std::string errorText;
    std::string headers;
    std::string body;
    std::string effectiveUrl;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    Impl() {
        InitCurlOnce();
        easy = curl_easy_init();
        multi = curl_multi_init();
        if (easy == nullptr || multi == nullptr) {
            curl_multi_cleanup(multi);
            curl_easy_cleanup(easy);
            throw Error(CURLE_FAILED_INIT, "libcurl could not make a transfer handle");
        }
    }
    ~Impl() {
        curl_multi_cleanup(multi);
        curl_easy_cleanup(easy);
    }

    void ClearAnswer() {
        statusCode = 0;
        statusText.clear();
        failed = false;
        errorKind = hekNone;
        errorText.clear();
        headers.clear();
        body.clear();
        effectiveUrl.clear();
        errorBuffer[0] = '\0';
    }

    bool Fail(int kind, std::string text) {
        failed = true;
        errorKind = kind;
        errorText = std::move(text);
        return false;
    }

    // Empty when the proxy can be used, else why not.
    std::string ApplyProxy();
    bool Run(Transfer& transfer, IHTTPRequestCallback* callback, int timeoutMs);
};

std::string HttpRequest::Impl::ApplyProxy() {
    const ProxySettings::Mode mode = proxy ? proxy->ProxyMode : ProxySettings::pmNone;
    if (mode == ProxySettings::pmEnvironment)
        return {};  // libcurl reads http_proxy, https_proxy and no_proxy itself
    if (mode != ProxySettings::pmManual) {
        SetOption(easy, CURLOPT_PROXY,
                  "");  // "" and not unset: unset would let the environment choose a proxy
        return {};
    }
    http::HostPort target;
    std::string why;
    if (proxy->Host.empty()) return "no proxy server is set";
    if (!http::SplitHostText(proxy->Host, proxy->Port, target, why)) return "the proxy address: " + why;
    SetOption(easy, CURLOPT_PROXY, target.host.c_str());
    SetOption(easy, CURLOPT_PROXYPORT, static_cast<long>(target.port));
    SetOption(easy, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    // A proxy the user set goes for every address; no_proxy from the environment has no say.
    SetOption(easy, CURLOPT_NOPROXY, "");
    if (!proxy->User.empty() || !proxy->Password.empty()) {
        SetOption(easy, CURLOPT_PROXYUSERNAME, proxy->User.c_str());
        SetOption(easy, CURLOPT_PROXYPASSWORD, proxy->Password.c_str());
    }
    return {};
}

bool HttpRequest::Impl::Run(Transfer& transfer, IHTTPRequestCallback* callback, int timeoutMs) {
    Progress progress(callback, static_cast<size_t>(blockSize), body);
    const std::string noUpload;
    const std::string& upload = transfer.upload != nullptr ? *transfer.upload : noUpload;
    const auto contentLength = [this] {
        curl_off_t length = -1;
        curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        return length;
    };

    const CURLMcode added = curl_multi_add_handle(multi, easy);
    if (added != CURLM_OK)
        throw Error(added, std::string("libcurl could not start: ") + curl_multi_strerror(added));
    transfer.Touch();

    bool done = false;
    bool cancelled = false;
    bool timedOut = false;
    CURLcode result = CURLE_OK;
    CURLMcode multiError = CURLM_OK;
    try {
        for (;;) {
            int running = 0;
            multiError = curl_multi_perform(multi, &running);
            if (multiError != CURLM_OK || transfer.failure) break;
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                    done = true;
                    result = message->data.result;
                }
            }
            if (done) break;
            // Judged right after libcurl has read what arrived, so time spent in
            // the caller's callbacks never looks like a silent server.
            const auto silence = Clock::now() - transfer.lastActivity;
            if (timeoutMs > 0 && silence >= milliseconds(timeoutMs)) {
                timedOut = true;
                break;
            }
            if (!progress.Sent(upload, transfer.uploadHanded) ||
                !progress.Received(transfer, false, contentLength()) ||
                !progress.TickIfIdle(contentLength())) {
                cancelled = true;
                break;
            }
            auto wait = std::min(kPollWait, progress.UntilTick());
            if (timeoutMs > 0) {
                wait = std::min(wait, std::chrono::duration_cast<milliseconds>(
                                          milliseconds(timeoutMs) - (Clock::now() - transfer.lastActivity)));
            }
            multiError = curl_multi_poll(multi, nullptr, 0, static_cast<int>(std::max<long>(wait.count(), 1)),
                                         nullptr);
            if (multiError != CURLM_OK) break;
        }
    } catch (...) {
        curl_multi_remove_handle(multi, easy);  // a throwing callback must not leave the handle busy
        throw;
    }
    // Removing an unfinished transfer closes its connection: this is how a
    // cancel or a time-out abandons it at once.
    curl_multi_remove_handle(multi, easy);
    if (transfer.failure) std::rethrow_exception(transfer.failure);

    // Whatever did arrive is reported, so the caller's byte counts stay true.
    if (!cancelled && (!progress.Sent(upload, transfer.uploadHanded) ||
                       !progress.Received(transfer, true, contentLength()))) {
        cancelled = true;
    }

    long code = 0;
    long connectCode = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
    curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    statusCode = static_cast<int>(code);
    statusText = ReasonOf(transfer.statusLine, code);
    headers = std::move(transfer.headers);

    if (cancelled) return Fail(hekCancelled, "the transfer was cancelled");
    if (timedOut) return Fail(hekTimeout, "nothing arrived for " + std::to_string(timeoutMs) + " ms");
    if (multiError != CURLM_OK) return Fail(hekTransfer, curl_multi_strerror(multiError));
    if (result != CURLE_OK) {
        const bool manualProxy = proxy && proxy->ProxyMode == ProxySettings::pmManual;
        return Fail(KindOf(result, manualProxy, connectCode), errorBuffer[0] != '\0'
                                                                  ? std::string(errorBuffer)
                                                                  : std::string(curl_easy_strerror(result)));
    }
    if (statusCode == 407) return Fail(hekProxy, {});
    if (statusCode < 200 || statusCode > 299) return Fail(hekHttpStatus, {});
    return true;
}

HttpRequest::HttpRequest() : impl_(std::make_unique<Impl>()) {}

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
    return app.ProductName + "/" + skFormatVersion(app.Major, app.Minor, app.Revision) + " (" + systemName +
           ")";
}

// "HTTP/1.0" asks for HTTP 1.0, any other version for 1.1. GET and HEAD send no
// body; any other method sends `body`. The four options and both reserved values
// are not used.
bool HttpRequest::Send(const std::string& host, int port, const std::string& method, const std::string& path,
                       const std::string& version, int, const std::string& body,
                       const std::string& contentType, int timeoutMs, const std::string& userAgent,
                       IHTTPRequestCallback* callback, bool, bool, bool, bool, const std::string& authUser,
                       const std::string& authPassword, int) {
    if (method.empty() || method.find_first_of(" \t\r\n") != std::string::npos || HasLineBreak(contentType) ||
        HasLineBreak(userAgent)) {
        throw std::invalid_argument(
            "HttpRequest::Send: method, content type or user agent would break the request");
    }
    Impl& d = *impl_;
    d.ClearAnswer();

    http::HostPort target;
    std::string why;
    if (!http::SplitHostText(host, port, target, why)) return d.Fail(hekBadAddress, why);
    http::CurlUrl url;
    if (!http::BuildRequestUrl(url, d.secure || target.port == 443, target, path, why)) {
        return d.Fail(hekBadAddress, why);
    }
    d.effectiveUrl = url.Get(CURLUPART_URL);

    CURL* easy = d.easy;
    curl_easy_reset(easy);
    Transfer transfer;
    transfer.upload = &body;
    SetOption(easy, CURLOPT_CURLU, url.Handle());
    SetOption(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    SetOption(easy, CURLOPT_NOSIGNAL, 1L);
    SetOption(easy, CURLOPT_FOLLOWLOCATION, 0L);
    SetOption(easy, CURLOPT_ERRORBUFFER, d.errorBuffer);
    SetOption(easy, CURLOPT_HTTP_VERSION,
              static_cast<long>(version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1));
    SetOption(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    SetOption(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    SetOption(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    SetOption(easy, CURLOPT_HEADERDATA, &transfer);
    SetOption(easy, CURLOPT_WRITEFUNCTION, OnBody);
    SetOption(easy, CURLOPT_WRITEDATA, &transfer);
    if (!userAgent.empty()) SetOption(easy, CURLOPT_USERAGENT, userAgent.c_str());
    if (!authPassword.empty()) {
        SetOption(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        SetOption(easy, CURLOPT_USERNAME, authUser.c_str());
        SetOption(easy, CURLOPT_PASSWORD, authPassword.c_str());
    }
    const std::string proxyProblem = d.ApplyProxy();
    if (!proxyProblem.empty()) return d.Fail(hekProxy, proxyProblem);

    HeaderList headers;
    // The read API answers at once; waiting for a "100 Continue" only costs time.
    headers.Add("Expect:");
    if (method == "GET") {
        SetOption(easy, CURLOPT_HTTPGET, 1L);
        transfer.upload = nullptr;
    } else if (method == "HEAD") {
        SetOption(easy, CURLOPT_NOBODY, 1L);
        transfer.upload = nullptr;
    } else {
        SetOption(easy, CURLOPT_POST, 1L);
        SetOption(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        SetOption(easy, CURLOPT_READFUNCTION, OnUpload);
        SetOption(easy, CURLOPT_READDATA, &transfer);
        SetOption(easy, CURLOPT_SEEKFUNCTION, OnSeek);
        SetOption(easy, CURLOPT_SEEKDATA, &transfer);
        if (method != "POST") SetOption(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
        // An empty "Content-Type:" removes the one libcurl would add for a POST.
        headers.Add(contentType.empty() ? "Content-Type:" : "Content-Type: " + contentType);
    }
    SetOption(easy, CURLOPT_HTTPHEADER, headers.Get());

    return d.Run(transfer, callback, timeoutMs);
}

int HttpRequest::StatusCode() const { return impl_->statusCode; }

std::string HttpRequest::StatusText() const { return impl_->statusText; }

bool HttpRequest::Failed() const { return impl_->failed; }

int HttpRequest::ErrorKind() const { return impl_->errorKind; }

std::string HttpRequest::ErrorText() const { return impl_->errorText; }

std::string HttpRequest::ResponseHeaders() const { return impl_->headers; }

std::string HttpRequest::ResponseBody() const { return impl_->body; }

std::string HttpRequest::EffectiveUrl() const { return impl_->effectiveUrl; }

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
    if (fullPath.empty()) fullPath = "/";
    const std::string query = parsed.Get(CURLUPART_QUERY);
    if (!query.empty()) fullPath += "?" + query;

    protocol = scheme;
    host = name;
    port = number;
    path = fullPath;
    return true;
}

}  // namespace qv
