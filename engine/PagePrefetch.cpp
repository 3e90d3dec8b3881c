// SPDX-License-Identifier: GPL-3.0-or-later
#include "PagePrefetch.h"

#include <chrono>

#include "http/HttpClient.h"

namespace qv {

namespace {

using Clock = std::chrono::steady_clock;
// The caller's window only stays alive while it gets called.
constexpr std::chrono::milliseconds kIdleTick{200};

}  // namespace

struct PagePrefetch::Ahead {
    explicit Ahead(int32_t start, const std::string& groupAddress) : start(start), target(groupAddress) {}

    enum State { Running, Ready, Unusable };
    int32_t start;
    page::Target target;
    State state = Running;
    http::HttpClient::TransferId id = 0;
    http::MemoryBody body;
    // What the page's requests cost so far, reported when it is taken.
    std::vector<std::string> sent;
    std::string received;
};

PagePrefetch::PagePrefetch(DownloadSession& session, const BackupOptions& options, int depth)
    : session_(session), options_(options), depth_(depth) {}

PagePrefetch::~PagePrefetch() {
    for (auto& [start, ahead] : ahead_)
        if (ahead->state == Ahead::Running) session_.client.Abandon(ahead->id);
}

void PagePrefetch::Send(Ahead& ahead) {
    Result<http::Request> request =
        http::RequestFor(page::PageExchange(ahead.start, PostsPerPage, ahead.target, options_),
                         session_.services.Proxy());
    if (!request) {
        ahead.state = Ahead::Unusable;  // asked for again the usual way, which says what is wrong
        return;
    }
    ahead.sent.push_back(request->body);
    ahead.body.text.clear();
    session_.services.BeforeRequest();
    ahead.id = session_.client.Start(std::move(*request), ahead.body);
}

void PagePrefetch::Settle(Ahead& ahead) {
    if (ahead.state != Ahead::Running || !session_.client.Finished(ahead.id)) return;
    const http::Response answer = *session_.client.Take(ahead.id);
    ahead.received += ahead.body.text;
    const std::string location = page::RedirectTarget(answer.Header("Location"), answer.effectiveUrl);
    if (answer.status == 301 && page::WallStatus(answer.status, location, answer.effectiveUrl, Status()).ok() &&
        ++ahead.target.redirects <= page::kMaxRedirects && ahead.target.Follow(location)) {
        page::NoteCredentialsWithheld(session_, ahead.target, options_);
        Send(ahead);
        return;
    }
    ahead.state = answer.failed ? Ahead::Unusable : Ahead::Ready;
}

void PagePrefetch::Fill(int32_t start) {
    for (int k = 1; k <= depth_; ++k) {
        const int32_t next = start + k * PostsPerPage;
        if (ahead_.contains(next)) continue;
        auto ahead = std::make_unique<Ahead>(next, options_.GroupAddress);
        Send(*ahead);
        ahead_.emplace(next, std::move(ahead));
    }
}

void PagePrefetch::Report(Ahead& ahead, bool& cancelled) {
    IHTTPRequestCallback* callback = &session_.services.progress;
    for (const std::string& body : ahead.sent) {
        bool cancel = false;
        callback->BlockSent(body, static_cast<int32_t>(body.size()), static_cast<int32_t>(body.size()),
                            cancel);
        cancelled = cancelled || cancel;
    }
    const auto total = static_cast<int32_t>(ahead.received.size());
    for (size_t at = 0; at < ahead.received.size(); at += page::kBlockSize) {
        const std::string block = ahead.received.substr(at, page::kBlockSize);
        bool remove = false;
        bool cancel = false;
        callback->BlockReceived(block, remove, static_cast<int32_t>(at + block.size()), total, cancel);
        cancelled = cancelled || cancel;
    }
}

std::optional<std::string> PagePrefetch::Take(int32_t start, bool& cancelled) {
    IHTTPRequestCallback* callback = &session_.services.progress;
    cancelled = false;
    const auto found = ahead_.find(start);
    if (found == ahead_.end()) return std::nullopt;
    Ahead& ahead = *found->second;
    auto lastCall = Clock::now();
    for (Settle(ahead); ahead.state == Ahead::Running; Settle(ahead)) {
        session_.client.Step(std::chrono::milliseconds(100));
        if (Clock::now() - lastCall >= kIdleTick) {
            bool remove = false;
            bool cancel = false;
            callback->BlockReceived(std::string(), remove, 0, 0, cancel);
            lastCall = Clock::now();
            if (cancel) {
                cancelled = true;
                Abandon();
                return std::nullopt;
            }
        }
    }
    Report(ahead, cancelled);
    std::optional<std::string> page;
    if (ahead.state == Ahead::Ready && !cancelled) page = std::move(ahead.body.text);
    ahead_.erase(found);
    return page;
}

void PagePrefetch::Abandon() {
    bool ignored = false;
    for (auto& [start, ahead] : ahead_) {
        if (ahead->state == Ahead::Running) {
            session_.client.Abandon(ahead->id);
            ahead->received += ahead->body.text;
        }
        Report(*ahead, ignored);
    }
    ahead_.clear();
}

}  // namespace qv
