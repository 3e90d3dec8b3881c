// One page of the read API: the form post, redirects, the HTTP 408 recovery
// and the dialogs that let the user retry.
#include "Application.h"
#include "Messages.h"
#include "PageRequest.h"
#include "Sundrykit.h"
#include "modTumblrInteraction.h"

namespace qv {

namespace {

std::optional<std::string> IncorrectResponse() {
    MsgBox("Incorrect response received from server.", mbCritical);
    return std::nullopt;
}

}  // namespace

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
    page::Target target(groupAddress);
    bool dummyGetTried = false;

    HttpRequest request(session.client);
    MessageUtility& messages = SharedMessageUtility();
    for (;;) {
        const HttpFormData form = page::Form(start, num, target, email, password);
        request.Reset();
        request.BlockSize(page::kBlockSize);
        request.Proxy(page::FreshProxySettings());
        request.Secure(target.secure);
        if (session.pacer != nullptr) session.pacer->BeforeRequest();
        request.Send(target.host, target.port, "POST", target.path, "HTTP/1.1", 0, form.Body(),
                     form.ContentType(), page::kTimeoutMs, HttpRequest::MakeUserAgent(App()), callback, true,
                     true, true, true, "", target.credentialsAllowed ? password2 : "", 0);

        const std::string location =
            page::RedirectTarget(request.ResponseHeader("Location"), request.EffectiveUrl());
        const std::string wall = page::WallSentence(request.StatusCode(), location, request.EffectiveUrl());
        if (request.StatusCode() == 301 && wall.empty()) {
            if (++target.redirects > page::kMaxRedirects) {
                skLogError("The server redirected the request more than " +
                           std::to_string(page::kMaxRedirects) + " times.");
                return IncorrectResponse();
            }
            if (!target.Follow(location)) return IncorrectResponse();
            page::NoteCredentialsWithheld(session, target, email, password, password2);
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

        std::string text = "Can't download blog's XML file.\r\n\r\n" + messages.DescribeRequestError(request);
        if (!wall.empty()) {
            text += " " + wall;
            skLogError(wall);
            messages.NextBoxRetryWontHelp();
        } else if (request.ErrorKind() == hekBadAddress) {
            messages.NextBoxRetryWontHelp();  // the address itself can't be asked
        }
        if (messages.MessageBox(text, mbRetryCancel + mbCritical, "", -1, -1, 15) != mrRetry)
            return std::nullopt;
    }
}

bool SendDummyGet(const std::string& groupAddress, IHTTPRequestCallback* callback) {
    DownloadSession session;
    return SendDummyGet(groupAddress, callback, session);
}

bool SendDummyGet(const std::string& groupAddress, IHTTPRequestCallback* callback, DownloadSession& session) {
    HttpRequest request(session.client);
    MessageUtility& messages = SharedMessageUtility();
    for (;;) {
        request.Reset();
        request.Proxy(page::FreshProxySettings());
        if (session.pacer != nullptr) session.pacer->BeforeRequest();
        request.Send(groupAddress, 80, "GET", page::kReadApiPath, "HTTP/1.1", 0, "", "", page::kTimeoutMs,
                     HttpRequest::MakeUserAgent(App()), callback, false, true, true, true, "", "", 0);
        if (!request.Failed()) return true;
        if (request.ErrorKind() == hekCancelled) return false;

        const std::string text = std::string("Can't download blog's XML file ") +
                                 "(it's dummy request after HTTP 408 error).\r\n\r\n" +
                                 messages.DescribeRequestError(request);
        switch (messages.MessageBox(text, mbAbortRetryIgnore + mbCritical, "", -1, -1, 15)) {
            case mrRetry:
                continue;
            case mrIgnore:
                return true;
            default:
                return false;
        }
    }
}

}  // namespace qv
