// SPDX-License-Identifier: GPL-3.0-or-later
// One page of the read API: the form post, redirects, the HTTP 408 recovery
// and the questions that let the front end ask again.
#include "Application.h"
#include "PageRequest.h"
#include "RunDecisions.h"
#include "Sundrykit.h"
#include "modTumblrInteraction.h"

namespace qv {

namespace {

std::optional<std::string> IncorrectResponse(DownloadSession& session) {
    session.Decisions().RunFailed(
        Status(StatusKind::HttpStatus, "Incorrect response received from server.").RetryWontHelp());
    return std::nullopt;
}

// A request of the run: over its connections, its proxy and its pace.
void Send(HttpRequest& request, DownloadSession& session, const OutgoingRequest& exchange,
          IHTTPRequestCallback* callback, int blockSize) {
    request.Reset();
    request.BlockSize(blockSize);
    request.Proxy(std::make_shared<ProxySettings>(*session.Proxy()));
    if (session.pacer != nullptr) session.pacer->BeforeRequest();
    request.Send(exchange, callback);
}

}  // namespace

IRunDecisions& DownloadSession::Decisions() const { return decisions != nullptr ? *decisions : BoxDecisions(); }

std::shared_ptr<const ProxySettings> DownloadSession::Proxy() const {
    return proxy ? proxy : page::FreshProxySettings();
}

std::optional<std::string> DownloadPage(int32_t start, int32_t num, IHTTPRequestCallback* callback,
                                        const std::string& groupAddress, const std::string& email,
                                        const std::string& password, const std::string& password2) {
    DownloadSession session;
    return DownloadPage(start, num, callback, groupAddress, email, password, password2, session);
}

std::optional<std::string> DownloadPage(int32_t start, int32_t num, IHTTPRequestCallback* callback,
                                        const std::string& groupAddress, const std::string& email,
                                        const std::string& password, const std::string& password2,
                                        DownloadSession& session) {
    const page::Account account{email, password, password2};
    page::Target target(groupAddress);
    bool dummyGetTried = false;
    session.start = start;

    HttpRequest request(session.client);
    for (;;) {
        Send(request, session, page::PageExchange(start, num, target, account), callback, page::kBlockSize);

        const std::string location =
            page::RedirectTarget(request.ResponseHeader("Location"), request.EffectiveUrl());
        const std::string wall = page::WallSentence(request.StatusCode(), location, request.EffectiveUrl());
        if (request.StatusCode() == 301 && wall.empty()) {
            if (++target.redirects > page::kMaxRedirects) {
                skLogError("The server redirected the request more than " +
                           std::to_string(page::kMaxRedirects) + " times.");
                return IncorrectResponse(session);
            }
            if (!target.Follow(location)) return IncorrectResponse(session);
            page::NoteCredentialsWithheld(session, target, account);
            continue;
        }

        // An empty body of a successful answer is still an answer: the caller
        // tells the user it is not a page.
        if (!request.Failed()) return request.ResponseBody();
        if (request.ErrorKind() == hekCancelled) return std::nullopt;

        if (request.StatusCode() == 408 && !dummyGetTried) {
            skLogWarning("HTTP 408 was detected. Trying to send dummy GET request.");
            if (!SendDummyGet(groupAddress, callback, session)) return std::nullopt;
            dummyGetTried = true;
            continue;
        }
        if (request.StatusCode() == 408)
            skLogError("HTTP 408 was detected again. Dummy request doesn't help at all.");
        dummyGetTried = false;

        if (!wall.empty()) skLogError(wall);
        if (session.Decisions().PageFailed(page::PageFailure(request, wall), start) != Answer::Retry)
            return std::nullopt;
    }
}

bool SendDummyGet(const std::string& groupAddress, IHTTPRequestCallback* callback) {
    DownloadSession session;
    return SendDummyGet(groupAddress, callback, session);
}

bool SendDummyGet(const std::string& groupAddress, IHTTPRequestCallback* callback, DownloadSession& session) {
    HttpRequest request(session.client);
    for (;;) {
        Send(request, session, page::DummyExchange(groupAddress), callback, 0);
        if (!request.Failed()) return true;
        if (request.ErrorKind() == hekCancelled) return false;

        switch (session.Decisions().DummyRequestFailed(RequestFailure(request), session.start)) {
            case Answer::Retry:
                continue;
            case Answer::GoOn:
                return true;
            default:
                return false;
        }
    }
}

}  // namespace qv
