// SPDX-License-Identifier: GPL-3.0-or-later
#include "http/HttpClient.h"

#include <strings.h>

#include <algorithm>
#include <deque>
#include <exception>
#include <map>
#include <stdexcept>

#include "Sundrykit.h"
#include "http/CurlSupport.h"
#include "http/CurlUrl.h"

namespace qv::http {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// libcurl's result when a connection taken from the pool turned out dead
// before any answer came: the request never reached the server's application.
bool DeadConnection(CURLcode code) {
    return code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING;
}

bool WithoutLineBreak(const std::string& text) { return text.find_first_of("\r\n") == std::string::npos; }

}  // namespace

std::optional<std::string> Response::Header(std::string_view name) const {
    for (size_t begin = 0; begin < headers.size();) {
        size_t end = headers.find("\r\n", begin);
        if (end == std::string::npos) end = headers.size();
        const std::string_view line(headers.data() + begin, end - begin);
        begin = end + 2;
        if (line.size() <= name.size() || line[name.size()] != ':' ||
            strncasecmp(line.data(), name.data(), name.size()) != 0) {
            continue;
        }
        std::string_view value = line.substr(name.size() + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
        return std::string(value);
    }
    return std::nullopt;
}

// One transfer: what libcurl's callbacks record, and what the owner's Step
// hands on to the events.
struct Transfer {
    HttpClient::TransferId id = 0;
    CURL* easy = nullptr;
    Request request;
    ITransferEvents* events = nullptr;
    HeaderList headerLines;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    // Filled by libcurl's callbacks.
    std::string headers;
    std::string statusLine;
    std::string pending;  // body bytes not yet handed to the events
    std::int64_t bodySeen = 0;
    std::size_t uploadPos = 0;
    std::size_t uploadHanded = 0;  // furthest point ever handed on: a rewind is not sent twice
    std::int64_t bytesMoved = 0;   // either direction, for the speed floor
    Clock::time_point lastActivity;
    std::string limitFailure;  // set when a callback stopped the transfer over a limit
    std::exception_ptr failure;

    // Kept by Step.
    TransferState state;
    std::int64_t sentReported = 0;
    Clock::time_point started;
    std::deque<std::pair<Clock::time_point, std::int64_t>> samples;
    bool freshRetryUsed = false;
    std::optional<Response> outcome;

    void Touch(std::size_t bytes) {
        lastActivity = Clock::now();
        bytesMoved += static_cast<std::int64_t>(bytes);
    }
};

namespace {

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    try {
        transfer.Touch(length);
        std::string_view line(data, length);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
        if (line.starts_with("HTTP/")) {
            // A new answer begins (after a proxy's CONNECT, an interim 1xx or a followed redirect).
            transfer.headers.clear();
            transfer.statusLine = line;
        }
        transfer.headers.append(line).append("\r\n");
    } catch (...) {
        transfer.failure = std::current_exception();  // rethrown by Step once libcurl has let go
        return 0;
    }
    return length;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    try {
        transfer.Touch(length);
        const std::int64_t cap = transfer.request.limits.maxBodyBytes;
        if (cap > 0) {
            curl_off_t announced = -1;
            curl_easy_getinfo(transfer.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
            if (announced > cap || transfer.bodySeen + static_cast<std::int64_t>(length) > cap) {
                transfer.limitFailure = "the answer is larger than " + std::to_string(cap / kMiB) + " MiB";
                return 0;
            }
        }
        transfer.bodySeen += static_cast<std::int64_t>(length);
        transfer.pending.append(data, length);
    } catch (...) {
        transfer.failure = std::current_exception();
        return 0;
    }
    return length;
}

size_t OnUpload(char* buffer, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::string& body = transfer.request.body;
    const size_t length = std::min(size * count, body.size() - transfer.uploadPos);
    std::copy_n(body.data() + transfer.uploadPos, length, buffer);
    transfer.uploadPos += length;
    transfer.uploadHanded = std::max(transfer.uploadHanded, transfer.uploadPos);
    if (length > 0) transfer.Touch(length);
    return length;
}

// libcurl rewinds the body when it must resend it on a fresh connection.
int OnSeek(void* user, curl_off_t offset, int origin) {
    auto& transfer = *static_cast<Transfer*>(user);
    if (origin != SEEK_SET || offset < 0 || static_cast<size_t>(offset) > transfer.request.body.size()) {
        return CURL_SEEKFUNC_CANTSEEK;
    }
    transfer.uploadPos = static_cast<size_t>(offset);
    return CURL_SEEKFUNC_OK;
}

// Empty when the proxy can be used, else why not.
std::string ApplyProxy(CURL* easy, const ProxySettings* proxy) {
    const ProxySettings::Mode mode = proxy != nullptr ? proxy->ProxyMode : ProxySettings::pmNone;
    if (mode == ProxySettings::pmEnvironment)
        return {};  // libcurl reads http_proxy, https_proxy and no_proxy itself
    if (mode != ProxySettings::pmManual) {
        SetOption(easy, CURLOPT_PROXY,
                  "");  // "" and not unset: unset would let the environment choose a proxy
        return {};
    }
    HostPort target;
    std::string why;
    if (proxy->Host.empty()) return "no proxy server is set";
    if (!SplitHostText(proxy->Host, proxy->Port, target, why)) return "the proxy address: " + why;
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

}  // namespace

struct HttpClient::Impl {
    CURLM* multi = nullptr;
    CURLSH* share = nullptr;
    TransferId nextId = 1;
    std::map<TransferId, std::unique_ptr<Transfer>> transfers;
    std::vector<CURL*> idleHandles;
    std::int64_t connectionsOpened = 0;

    explicit Impl(const ClientOptions& options) {
        InitCurlOnce();
        multi = curl_multi_init();
        share = curl_share_init();
        if (multi == nullptr || share == nullptr) {
            Release();
            throw Error(CURLE_FAILED_INIT, "libcurl could not make a transfer handle");
        }
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        if (options.maxConnectionsPerHost > 0) {
            curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS,
                              static_cast<long>(options.maxConnectionsPerHost));
        }
    }

    ~Impl() {
        for (auto& [id, transfer] : transfers) {
            if (!transfer->outcome) curl_multi_remove_handle(multi, transfer->easy);
            curl_easy_cleanup(transfer->easy);
        }
        for (CURL* easy : idleHandles) curl_easy_cleanup(easy);
        Release();
    }

    void Release() {
        curl_multi_cleanup(multi);
        curl_share_cleanup(share);
    }

    CURL* TakeHandle() {
        if (!idleHandles.empty()) {
            CURL* easy = idleHandles.back();
            idleHandles.pop_back();
            curl_easy_reset(easy);
            return easy;
        }
        CURL* easy = curl_easy_init();
        if (easy == nullptr) throw Error(CURLE_FAILED_INIT, "libcurl could not make a transfer handle");
        return easy;
    }

    Transfer& Get(TransferId id) const {
        const auto found = transfers.find(id);
        if (found == transfers.end()) throw std::out_of_range("HttpClient: no such transfer");
        return *found->second;
    }

    void Configure(Transfer& transfer, const std::string& url);
    void Launch(Transfer& transfer);
    void FinishEarly(Transfer& transfer, int kind, std::string text);
    void Complete(Transfer& transfer, CURLcode result);
    // Hands on what arrived and judges the limits; answers false when the transfer ended.
    bool Advance(Transfer& transfer);
    void Conclude(Transfer& transfer, Response response);
    Response Describe(Transfer& transfer) const;
};

void HttpClient::Impl::Configure(Transfer& transfer, const std::string& url) {
    CURL* easy = transfer.easy;
    const Request& request = transfer.request;
    SetOption(easy, CURLOPT_PRIVATE, static_cast<void*>(&transfer));
    SetOption(easy, CURLOPT_URL, url.c_str());
    SetOption(easy, CURLOPT_SHARE, share);
    SetOption(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    SetOption(easy, CURLOPT_NOSIGNAL, 1L);
    SetOption(easy, CURLOPT_ERRORBUFFER, transfer.errorBuffer);
    SetOption(easy, CURLOPT_HTTP_VERSION,
              static_cast<long>(request.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1));
    SetOption(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    SetOption(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    SetOption(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    SetOption(easy, CURLOPT_HEADERDATA, &transfer);
    SetOption(easy, CURLOPT_WRITEFUNCTION, OnBody);
    SetOption(easy, CURLOPT_WRITEDATA, &transfer);
    if (request.limits.maxRedirects > 0) {
        SetOption(easy, CURLOPT_FOLLOWLOCATION, 1L);
        SetOption(easy, CURLOPT_MAXREDIRS, static_cast<long>(request.limits.maxRedirects));
        SetOption(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        SetOption(easy, CURLOPT_UNRESTRICTED_AUTH, 0L);
    } else {
        SetOption(easy, CURLOPT_FOLLOWLOCATION, 0L);
    }
    if (request.limits.maxBodyBytes > 0) {
        SetOption(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.limits.maxBodyBytes));
    }
    if (!request.userAgent.empty()) SetOption(easy, CURLOPT_USERAGENT, request.userAgent.c_str());
    if (!request.authPassword.empty()) {
        SetOption(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        SetOption(easy, CURLOPT_USERNAME, request.authUser.c_str());
        SetOption(easy, CURLOPT_PASSWORD, request.authPassword.c_str());
    }

    // The read API answers at once; waiting for a "100 Continue" only costs time.
    transfer.headerLines.Add("Expect:");
    if (request.method == "GET") {
        SetOption(easy, CURLOPT_HTTPGET, 1L);
    } else if (request.method == "HEAD") {
        SetOption(easy, CURLOPT_NOBODY, 1L);
    } else {
        SetOption(easy, CURLOPT_POST, 1L);
        SetOption(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        SetOption(easy, CURLOPT_READFUNCTION, OnUpload);
        SetOption(easy, CURLOPT_READDATA, &transfer);
        SetOption(easy, CURLOPT_SEEKFUNCTION, OnSeek);
        SetOption(easy, CURLOPT_SEEKDATA, &transfer);
        if (request.method != "POST") SetOption(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        // An empty "Content-Type:" removes the one libcurl would add for a POST.
        transfer.headerLines.Add(request.contentType.empty() ? "Content-Type:"
                                                             : "Content-Type: " + request.contentType);
        transfer.state.uploadSize = static_cast<std::int64_t>(request.body.size());
    }
    for (const std::string& line : request.headers) transfer.headerLines.Add(line);
    SetOption(easy, CURLOPT_HTTPHEADER, transfer.headerLines.Get());
}

void HttpClient::Impl::Launch(Transfer& transfer) {
    const CURLMcode added = curl_multi_add_handle(multi, transfer.easy);
    if (added != CURLM_OK)
        throw Error(added, std::string("libcurl could not start: ") + curl_multi_strerror(added));
    transfer.started = transfer.lastActivity = Clock::now();
    transfer.samples.clear();
    transfer.samples.emplace_back(transfer.started, transfer.bytesMoved);
}

Response HttpClient::Impl::Describe(Transfer& transfer) const {
    Response response;
    long code = 0;
    long redirects = 0;
    char* url = nullptr;
    curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &code);
    curl_easy_getinfo(transfer.easy, CURLINFO_REDIRECT_COUNT, &redirects);
    curl_easy_getinfo(transfer.easy, CURLINFO_EFFECTIVE_URL, &url);
    response.status = static_cast<int>(code);
    response.statusText = ReasonOf(transfer.statusLine, code);
    response.headers = std::move(transfer.headers);
    response.effectiveUrl = url != nullptr ? url : "";
    response.bodyBytes = transfer.state.received;
    response.contentLength = transfer.state.contentLength;
    response.redirects = static_cast<int>(redirects);
    return response;
}

void HttpClient::Impl::Conclude(Transfer& transfer, Response response) {
    long connects = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_NUM_CONNECTS, &connects);
    connectionsOpened += connects;
    transfer.outcome = std::move(response);
    transfer.pending.clear();
    transfer.pending.shrink_to_fit();
}

void HttpClient::Impl::FinishEarly(Transfer& transfer, int kind, std::string text) {
    // Removing an unfinished transfer closes its connection: this is how a
    // cancel or a limit abandons it at once.
    curl_multi_remove_handle(multi, transfer.easy);
    Response response = Describe(transfer);
    response.failed = true;
    response.errorKind = kind;
    response.errorText = std::move(text);
    Conclude(transfer, std::move(response));
}

bool HttpClient::Impl::Advance(Transfer& transfer) {
    curl_off_t announced = -1;
    curl_easy_getinfo(transfer.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    transfer.state.contentLength = announced;
    std::string failure;
    const auto stop = [&] {
        FinishEarly(transfer, failure.empty() ? hekCancelled : hekTransfer,
                    failure.empty() ? "the transfer was cancelled" : failure);
        return false;
    };

    if (transfer.uploadHanded > static_cast<size_t>(transfer.sentReported)) {
        transfer.sentReported = static_cast<std::int64_t>(transfer.uploadHanded);
        transfer.state.sent = transfer.sentReported;
        if (!transfer.events->Sent(transfer.state)) return stop();
    }
    if (!transfer.pending.empty()) {
        transfer.state.received += static_cast<std::int64_t>(transfer.pending.size());
        const bool go = transfer.events->Body(transfer.pending, transfer.state, failure);
        transfer.pending.clear();
        if (!go) return stop();
    }
    if (!transfer.events->Tick(transfer.state)) return stop();

    // Judged right after libcurl has read what arrived, so time the owner spent
    // elsewhere never looks like a silent server.
    const TransferLimits& limits = transfer.request.limits;
    const auto now = Clock::now();
    if (limits.silence.count() > 0 && now - transfer.lastActivity >= limits.silence) {
        FinishEarly(transfer, hekTimeout,
                    "nothing arrived for " + std::to_string(limits.silence.count()) + " ms");
        return false;
    }
    if (limits.minBytesPerSecond > 0 && limits.speedWindow.count() > 0) {
        auto& samples = transfer.samples;
        if (now - samples.back().first >= std::chrono::seconds(1))
            samples.emplace_back(now, transfer.bytesMoved);
        // Keep the newest sample that is at least a window old, and nothing older.
        while (samples.size() > 1 && now - samples[1].first >= limits.speedWindow) samples.pop_front();
        if (now - samples.front().first >= limits.speedWindow &&
            transfer.bytesMoved - samples.front().second <
                limits.minBytesPerSecond * limits.speedWindow.count()) {
            FinishEarly(transfer, hekTimeout,
                        "less than " + std::to_string(limits.minBytesPerSecond) +
                            " bytes a second arrived over " + std::to_string(limits.speedWindow.count()) +
                            " s");
            return false;
        }
    }
    return true;
}

void HttpClient::Impl::Complete(Transfer& transfer, CURLcode result) {
    curl_multi_remove_handle(multi, transfer.easy);
    if (transfer.failure) std::rethrow_exception(transfer.failure);

    long connects = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_NUM_CONNECTS, &connects);
    const bool nothingCame =
        transfer.headers.empty() && transfer.state.received == 0 && transfer.pending.empty();
    if (DeadConnection(result) && connects == 0 && nothingCame && !transfer.freshRetryUsed) {
        // The server had closed the kept connection: once more on a new one.
        transfer.freshRetryUsed = true;
        transfer.uploadPos = 0;
        transfer.statusLine.clear();
        transfer.errorBuffer[0] = '\0';
        SetOption(transfer.easy, CURLOPT_FRESH_CONNECT, 1L);
        Launch(transfer);
        return;
    }

    // What did arrive is handed on, so the caller's byte counts stay true.
    std::string failure;
    bool cancelled = false;
    if (transfer.uploadHanded > static_cast<size_t>(transfer.sentReported)) {
        transfer.sentReported = static_cast<std::int64_t>(transfer.uploadHanded);
        transfer.state.sent = transfer.sentReported;
        cancelled = !transfer.events->Sent(transfer.state);
    }
    if (!cancelled && !transfer.pending.empty()) {
        transfer.state.received += static_cast<std::int64_t>(transfer.pending.size());
        cancelled = !transfer.events->Body(transfer.pending, transfer.state, failure);
    }

    long proxyCode = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_HTTP_CONNECTCODE, &proxyCode);
    Response response = Describe(transfer);
    const auto fail = [&response](int kind, std::string text) {
        response.failed = true;
        response.errorKind = kind;
        response.errorText = std::move(text);
    };
    if (!transfer.limitFailure.empty()) {
        fail(hekTooLarge, transfer.limitFailure);
    } else if (cancelled) {
        fail(failure.empty() ? hekCancelled : hekTransfer,
             failure.empty() ? "the transfer was cancelled" : failure);
    } else if (result != CURLE_OK) {
        const bool manualProxy =
            transfer.request.proxy && transfer.request.proxy->ProxyMode == ProxySettings::pmManual;
        std::string text =
            transfer.errorBuffer[0] != '\0' ? transfer.errorBuffer : curl_easy_strerror(result);
        if (result == CURLE_FILESIZE_EXCEEDED) {
            text = "the answer is larger than " +
                   std::to_string(transfer.request.limits.maxBodyBytes / kMiB) + " MiB";
        }
        fail(ErrorKindOf(result, manualProxy, proxyCode), std::move(text));
    } else if (response.status == 407) {
        fail(hekProxy, {});
    } else if (response.status < 200 || response.status > 299) {
        fail(hekHttpStatus, {});
    }
    Conclude(transfer, std::move(response));
}

HttpClient::HttpClient(ClientOptions options) : impl_(std::make_unique<Impl>(options)) {}

HttpClient::~HttpClient() = default;

HttpClient::TransferId HttpClient::Start(Request request, ITransferEvents& events) {
    Impl& d = *impl_;
    if (request.method.empty() || request.method.find_first_of(" \t\r\n") != std::string::npos ||
        !WithoutLineBreak(request.contentType) || !WithoutLineBreak(request.userAgent) ||
        !std::all_of(request.headers.begin(), request.headers.end(), WithoutLineBreak)) {
        throw std::invalid_argument(
            "HttpClient::Start: method, content type, user agent or a header would break the request");
    }
    auto transfer = std::make_unique<Transfer>();
    transfer->id = d.nextId++;
    transfer->request = std::move(request);
    transfer->events = &events;
    transfer->easy = d.TakeHandle();
    Transfer& t = *transfer;
    d.transfers.emplace(t.id, std::move(transfer));

    try {
        CurlUrl url;
        if (!url.Set(CURLUPART_URL, t.request.url)) {
            Response response;
            response.failed = true;
            response.errorKind = hekBadAddress;
            response.errorText = "not an address: " + t.request.url;
            t.outcome = std::move(response);
            return t.id;
        }
        d.Configure(t, url.Get(CURLUPART_URL));
        const std::string proxyProblem = ApplyProxy(t.easy, t.request.proxy.get());
        if (!proxyProblem.empty()) {
            Response response;
            response.failed = true;
            response.errorKind = hekProxy;
            response.errorText = proxyProblem;
            t.outcome = std::move(response);
            return t.id;
        }
        d.Launch(t);
    } catch (...) {
        Abandon(t.id);
        throw;
    }
    return t.id;
}

void HttpClient::Step(std::chrono::milliseconds wait) {
    Impl& d = *impl_;
    if (Running() == 0) return;
    CURLMcode code =
        curl_multi_poll(d.multi, nullptr, 0, static_cast<int>(std::max<long>(wait.count(), 0)), nullptr);
    int running = 0;
    if (code == CURLM_OK) code = curl_multi_perform(d.multi, &running);
    if (code != CURLM_OK) {
        for (auto& [id, transfer] : d.transfers) {
            if (!transfer->outcome) d.FinishEarly(*transfer, hekTransfer, curl_multi_strerror(code));
        }
        return;
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(d.multi, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        void* owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        const CURLcode result = message->data.result;
        Transfer& transfer = *static_cast<Transfer*>(owner);
        try {
            d.Complete(transfer, result);
        } catch (...) {
            Abandon(transfer.id);
            throw;
        }
    }
    for (auto& [id, transfer] : d.transfers) {
        if (transfer->outcome) continue;
        try {
            d.Advance(*transfer);
        } catch (...) {
            Abandon(id);
            throw;
        }
    }
}

bool HttpClient::Finished(TransferId id) const { return impl_->Get(id).outcome.has_value(); }

std::optional<Response> HttpClient::Take(TransferId id) {
    Transfer& transfer = impl_->Get(id);
    if (!transfer.outcome) return std::nullopt;
    std::optional<Response> outcome = std::move(transfer.outcome);
    Abandon(id);
    return outcome;
}

void HttpClient::Abandon(TransferId id) {
    Impl& d = *impl_;
    const auto found = d.transfers.find(id);
    if (found == d.transfers.end()) return;
    Transfer& transfer = *found->second;
    if (!transfer.outcome) curl_multi_remove_handle(d.multi, transfer.easy);
    // A handle must not keep pointers into the transfer that is going away.
    curl_easy_reset(transfer.easy);
    d.idleHandles.push_back(transfer.easy);
    d.transfers.erase(found);
}

std::size_t HttpClient::Running() const {
    return static_cast<std::size_t>(std::count_if(impl_->transfers.begin(), impl_->transfers.end(),
                                                  [](const auto& entry) { return !entry.second->outcome; }));
}

Response HttpClient::Perform(Request request, ITransferEvents& events) {
    const TransferId id = Start(std::move(request), events);
    while (!Finished(id)) Step(milliseconds(100));
    return *Take(id);
}

std::int64_t HttpClient::ConnectionsOpened() const { return impl_->connectionsOpened; }

}  // namespace qv::http
