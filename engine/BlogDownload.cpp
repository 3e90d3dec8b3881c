// One page of the read API: the form post, redirects, the HTTP 408 recovery
// and the dialogs that let the user retry.
#include <algorithm>
#include <cctype>

#include "Application.h"
#include "Messages.h"
#include "Sundrykit.h"
#include "modTumblrInteraction.h"

namespace qv {

namespace {

constexpr int kTimeoutMs = 30000;
// A server that keeps redirecting (to itself, or in a circle) would otherwise
// keep an unattended run going for ever.
constexpr int kMaxRedirects = 50;
constexpr int kPageBlockSize = 10240;
const char* const kProxySection = "HTTP Proxy";
const char* const kReadApiPath = "/api/read";

std::shared_ptr<ProxySettings> FreshProxySettings() {
    auto proxy = std::make_shared<ProxySettings>();
    proxy->Load(kProxySection, App(), true);
    return proxy;
}

std::string Generator() {
    const Application& app = App();
    return app.ProductName + " " + skFormatVersion(app.Major, app.Minor, app.Revision);
}

// The host part of an address typed as "name", "name:port" or "[v6]:port", in lower case.
std::string HostName(const std::string& address) {
    std::string host = address;
    if (!host.empty() && host.front() == '[') {
        host = host.substr(1, host.find(']') == std::string::npos ? std::string::npos : host.find(']') - 1);
    } else if (const auto colon = host.find(':');
               colon != std::string::npos && host.find(':', colon + 1) == std::string::npos) {
        host.erase(colon);
    }
    std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return std::tolower(c); });
    return host;
}

// A blog that moved to a domain of its own loses its private posts without a
// word otherwise: say once per run why they are missing.
void NoteCredentialsWithheld(DownloadSession& session, const std::string& newHost, const std::string& email,
                             const std::string& password, const std::string& password2) {
    if (session.toldCredentialsWithheld || (email.empty() && password.empty() && password2.empty())) return;
    session.toldCredentialsWithheld = true;
    const std::string text =
        "The blog's address sent the request on to another host, " + skPrintable(newHost) +
        "; the account and blog passwords were not sent there, so private or protected posts "
        "may be missing.";
    skLogWarning(text);
    if (session.host != nullptr) session.host->Warn(text);
}

std::optional<std::string> IncorrectResponse() {
    MsgBox("Incorrect response received from server.", mbCritical);
    return std::nullopt;
}

// Where a redirect leads: its Location header, whatever the case of the name,
// resolved against the address the answer came from. "" when there is none.
std::string RedirectTarget(const HttpRequest& request) {
    const std::optional<std::string> location = request.ResponseHeader("Location");
    if (!location || location->empty()) return "";
    std::string absolute;
    if (!HttpRequest::ResolveUrl(request.EffectiveUrl(), *location, absolute)) return "";
    return absolute;
}

bool IsRedirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307; }

// The service's answer for a blog nobody may read as asked: a redirect to one
// of its walls, a 401 or a 404. One sentence on what it means and what the
// user can do; "" for any other answer.
std::string WallSentence(const HttpRequest& request) {
    const int status = request.StatusCode();
    if (IsRedirect(status)) {
        const std::string target = RedirectTarget(request);
        const std::string where = " (" + skPrintable(target) + ")";
        if (target.find("login_required") != std::string::npos ||
            target.find("dashboard/blog") != std::string::npos)
            return "The service sent the request to its login page" + where +
                   ": the blog can only be read when logged in, so give the account's e-mail and password.";
        if (target.find("safe-mode") != std::string::npos)
            return "The service sent the request to its safe-mode page" + where +
                   ": the blog is marked as sensitive, so give the e-mail and password of an account that "
                   "may see it.";
        if (target.find("privacy/consent") != std::string::npos)
            return "The service sent the request to its consent page" + where +
                   ": accept the service's privacy terms once in a web browser, then try again.";
        if (target.find("blog_auth") != std::string::npos)
            return "The service sent the request to its blog-password page" + where +
                   ": the blog is protected by a password, so give it as the blog's password.";
        return "";
    }
    const std::string where = skPrintable(request.EffectiveUrl());
    if (status == 401)
        return "The blog at " + where +
               " is protected by a password: give it as the blog's password, or check it.";
    if (status == 404)
        return "There is no blog at " + where + ": it does not exist or was deleted, so check the address.";
    return "";
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
    std::string host = groupAddress;
    int port = 80;
    std::string path = kReadApiPath;
    bool secure = false;
    // The account and the blog password go only to the blog's own host: a
    // redirect elsewhere gets the request without them.
    bool credentialsAllowed = true;
    bool dummyGetTried = false;
    int redirects = 0;

    HttpFormData form;
    HttpRequest request(session.client);
    MessageUtility& messages = SharedMessageUtility();
    for (;;) {
        form.Clear();
        request.Reset();
        form.AddField("email", credentialsAllowed ? email : "", 0, 0, 0, 0);
        form.AddField("password", credentialsAllowed ? password : "", 0, 0, 0, 0);
        form.AddField("start", std::to_string(start), 0, 0, 0, 0);
        form.AddField("num", std::to_string(num), 0, 0, 0, 0);
        form.AddField("generator", Generator(), 0, 0, 0, 0);

        request.BlockSize(kPageBlockSize);
        request.Proxy(FreshProxySettings());
        request.Secure(secure);
        if (session.pacer != nullptr) session.pacer->BeforeRequest();
        request.Send(host, port, "POST", path, "HTTP/1.1", 0, form.Body(), form.ContentType(), kTimeoutMs,
                     HttpRequest::MakeUserAgent(App()), callback, true, true, true, true, "",
                     credentialsAllowed ? password2 : "", 0);

        const std::string wall = WallSentence(request);
        if (request.StatusCode() == 301 && wall.empty()) {
            if (++redirects > kMaxRedirects) {
                skLogError("The server redirected the request more than " + std::to_string(kMaxRedirects) +
                           " times.");
                return IncorrectResponse();
            }
            std::string protocol, newHost, newPath;
            int newPort = 0;
            const std::string location = RedirectTarget(request);
            if (location.empty() || !HttpRequest::ParseUrl(location, protocol, newHost, newPort, newPath))
                return IncorrectResponse();
            host = newHost;
            port = newPort;
            path = newPath;
            secure = protocol == "https";
            credentialsAllowed = HostName(newHost) == HostName(groupAddress);
            if (!credentialsAllowed) NoteCredentialsWithheld(session, newHost, email, password, password2);
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
        request.Proxy(FreshProxySettings());
        if (session.pacer != nullptr) session.pacer->BeforeRequest();
        request.Send(groupAddress, 80, "GET", kReadApiPath, "HTTP/1.1", 0, "", "", kTimeoutMs,
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
