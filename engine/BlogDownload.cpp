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

Status IncorrectResponse(DownloadSession& session) {
    const Status incorrect =
        Status(StatusKind::HttpStatus, "Incorrect response received from server.").RetryWontHelp();
    session.services.decisions.RunFailed(incorrect);
    return incorrect;
}

// A request of the run: over its connections, its proxy and its pace.
Status Send(HttpRequest& request, DownloadSession& session, const OutgoingRequest& exchange,
            IHTTPRequestCallback* callback, int blockSize) {
    request.Reset();
    request.BlockSize(blockSize);
    request.Proxy(std::make_shared<ProxySettings>(*session.services.Proxy()));
    session.services.BeforeRequest();
    return request.Send(exchange, callback);
}

}  // namespace

std::shared_ptr<const ProxySettings> RequestServices::Proxy() const {
    return proxy ? proxy : page::FreshProxySettings();
}

void RequestServices::BeforeRequest() const {
    if (pacer != nullptr) pacer->BeforeRequest();
}

Result<std::string> DownloadPage(int32_t start, int32_t num, IHTTPRequestCallback* callback,
                                 const std::string& groupAddress, const std::string& email,
                                 const std::string& password, const std::string& password2,
                                 DownloadSession& session) {
    BackupOptions options;
    options.GroupAddress = groupAddress;
    options.EMail = email;
    options.Password = password;
    options.Password2 = password2;
    if (callback == nullptr) return DownloadPage(options, start, num, session);
    RequestServices services(session.services.decisions, session.services.host, *callback);
    services.pacer = session.services.pacer;
    services.proxy = session.services.proxy;
    DownloadSession own(services);
    return DownloadPage(options, start, num, own);
}

Result<std::string> DownloadPage(const BackupOptions& options, int32_t start, int32_t num,
                                 DownloadSession& session) {
    page::Target target(options.GroupAddress);
    bool dummyGetTried = false;
    session.start = start;

    HttpRequest request(session.client);
    for (;;) {
        const Status sent = Send(request, session, page::PageExchange(start, num, target, options),
                                 &session.services.progress, page::kBlockSize);

        const std::string location =
            page::RedirectTarget(request.ResponseHeader("Location"), request.EffectiveUrl());
        const Status wall = page::WallStatus(request.StatusCode(), location, request.EffectiveUrl(), sent);
        if (request.StatusCode() == 301 && wall.ok()) {
            if (++target.redirects > page::kMaxRedirects) {
                skLogError("The server redirected the request more than " +
                           std::to_string(page::kMaxRedirects) + " times.");
                return IncorrectResponse(session);
            }
            if (!target.Follow(location)) return IncorrectResponse(session);
            page::NoteCredentialsWithheld(session, target, options);
            continue;
        }

        // An empty body of a successful answer is still an answer: the caller
        // tells the user it is not a page.
        if (sent.ok()) return request.ResponseBody();
        if (sent.Is(StatusKind::Cancelled)) return StoppedStatus();

        if (request.StatusCode() == 408 && !dummyGetTried) {
            skLogWarning("HTTP 408 was detected. Trying to send dummy GET request.");
            if (Status woken = SendDummyGet(options.GroupAddress, session); !woken.ok()) return woken;
            dummyGetTried = true;
            continue;
        }
        if (request.StatusCode() == 408)
            skLogError("HTTP 408 was detected again. Dummy request doesn't help at all.");
        dummyGetTried = false;

        const Status failure = wall.ok() ? sent : wall;
        if (!wall.ok()) skLogError(wall.text());
        const Answer answer = session.services.decisions.PageFailed(failure, start);
        if (answer != Answer::Retry) return GivenUp(answer, kPageFailedHeadline, failure);
    }
}

Status SendDummyGet(const std::string& groupAddress, DownloadSession& session) {
    HttpRequest request(session.client);
    for (;;) {
        const Status sent =
            Send(request, session, page::DummyExchange(groupAddress), &session.services.progress, 0);
        if (sent.ok()) return sent;
        if (sent.Is(StatusKind::Cancelled)) return StoppedStatus();

        const Answer answer = session.services.decisions.DummyRequestFailed(sent, session.start);
        switch (answer) {
            case Answer::Retry:
                continue;
            case Answer::GoOn:
                return Status::Ok();
            default:
                return GivenUp(answer, kDummyFailedHeadline, sent);
        }
    }
}

}  // namespace qv
