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

// The target of a 301, from the "Location: " header line.
bool RedirectTarget(const HttpRequest& request, std::string& location) {
    const std::string headers = request.ResponseHeaders();
    const std::string marker = "\r\nLocation: ";
    const auto found = headers.find(marker);
    if (found == std::string::npos) return false;
    const auto begin = found + marker.size();
    const auto end = headers.find("\r\n", begin);
    if (end == std::string::npos) return false;
    location = skTrimEx(headers.substr(begin, end - begin));
    return true;
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
        request.Send(host, port, "POST", path, "HTTP/1.1", 0, form.Body(), form.ContentType(), kTimeoutMs,
                     HttpRequest::MakeUserAgent(App()), callback, true, true, true, true, "",
                     credentialsAllowed ? password2 : "", 0);

        if (request.StatusCode() == 301) {
            if (++redirects > kMaxRedirects) {
                skLogError("The server redirected the request more than " + std::to_string(kMaxRedirects) +
                           " times.");
                return IncorrectResponse();
            }
            std::string location, protocol, newHost, newPath;
            int newPort = 0;
            if (!RedirectTarget(request, location)) return IncorrectResponse();
            if (!HttpRequest::ParseUrl(location, protocol, newHost, newPort, newPath))
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

        const std::string text =
            "Can't download blog's XML file.\r\n\r\n" + messages.DescribeRequestError(request);
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
