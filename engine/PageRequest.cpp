// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageRequest.h"

#include <algorithm>
#include <cctype>

#include "Application.h"
#include "Sundrykit.h"

namespace qv::page {

namespace {

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

bool IsRedirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307; }

// One sentence on what a wall means and what the user can do.
std::optional<std::string> WallSentence(int status, const std::string& redirectTarget, const std::string& effectiveUrl) {
    if (IsRedirect(status)) {
        const std::string& target = redirectTarget;
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
        return std::nullopt;
    }
    const std::string where = skPrintable(effectiveUrl);
    if (status == 401)
        return "The blog at " + where +
               " is protected by a password: give it as the blog's password, or check it.";
    if (status == 404)
        return "There is no blog at " + where + ": it does not exist or was deleted, so check the address.";
    return std::nullopt;
}

}  // namespace

std::shared_ptr<ProxySettings> FreshProxySettings() {
    auto proxy = std::make_shared<ProxySettings>();
    proxy->Load(kProxySection, App(), true);
    return proxy;
}

Target::Target(std::string address) : groupAddress(std::move(address)), host(groupAddress) {}

bool Target::Follow(const std::string& location) {
    std::string protocol, newHost, newPath;
    int newPort = 0;
    if (location.empty() || !HttpRequest::ParseUrl(location, protocol, newHost, newPort, newPath))
        return false;
    host = newHost;
    port = newPort;
    path = newPath;
    secure = protocol == "https";
    credentialsAllowed = HostName(newHost) == HostName(groupAddress);
    return true;
}

HttpFormData Form(int32_t start, int32_t num, const Target& target, const std::string& email,
                  const std::string& password) {
    HttpFormData form;
    form.AddField("email", target.credentialsAllowed ? email : "", 0, 0, 0, 0);
    form.AddField("password", target.credentialsAllowed ? password : "", 0, 0, 0, 0);
    form.AddField("start", std::to_string(start), 0, 0, 0, 0);
    form.AddField("num", std::to_string(num), 0, 0, 0, 0);
    form.AddField("generator", ProgramVersion(App()), 0, 0, 0, 0);
    return form;
}

OutgoingRequest PageExchange(int32_t start, int32_t num, const Target& target, const BackupOptions& account) {
    const HttpFormData form = Form(start, num, target, account.EMail, account.Password);
    OutgoingRequest exchange;
    exchange.host = target.host;
    exchange.port = target.port;
    exchange.method = "POST";
    exchange.path = target.path;
    exchange.secure = target.secure;
    exchange.body = form.Body();
    exchange.contentType = form.ContentType();
    exchange.timeoutMs = kTimeoutMs;
    exchange.userAgent = HttpRequest::MakeUserAgent(App());
    if (target.credentialsAllowed) exchange.authPassword = account.Password2;
    return exchange;
}

OutgoingRequest DummyExchange(const std::string& groupAddress) {
    OutgoingRequest exchange;
    exchange.host = groupAddress;
    exchange.port = 80;
    exchange.method = "GET";
    exchange.path = kReadApiPath;
    exchange.timeoutMs = kTimeoutMs;
    exchange.userAgent = HttpRequest::MakeUserAgent(App());
    return exchange;
}

std::string RedirectTarget(const std::optional<std::string>& location, const std::string& effectiveUrl) {
    if (!location || location->empty()) return "";
    std::string absolute;
    if (!HttpRequest::ResolveUrl(effectiveUrl, *location, absolute)) return "";
    return absolute;
}

Status WallStatus(int status, const std::string& redirectTarget, const std::string& effectiveUrl,
                  const Status& failure) {
    const std::optional<std::string> sentence = WallSentence(status, redirectTarget, effectiveUrl);
    if (!sentence) return Status::Ok();
    // A 404 is no wall but the same kind of answer: the service means it.
    return Status(status == 404 ? StatusKind::NotFound : StatusKind::Wall, failure.text() + " " + *sentence)
        .WithHttpStatus(status)
        .RetryWontHelp();
}

// A blog that moved to a domain of its own loses its private posts without a
// word otherwise: say once per run why they are missing.
void NoteCredentialsWithheld(DownloadSession& session, const Target& target, const BackupOptions& account) {
    if (target.credentialsAllowed || session.toldCredentialsWithheld ||
        (account.EMail.empty() && account.Password.empty() && account.Password2.empty()))
        return;
    session.toldCredentialsWithheld = true;
    const std::string text =
        "The blog's address sent the request on to another host, " + skPrintable(target.host) +
        "; the account and blog passwords were not sent there, so private or protected posts "
        "may be missing.";
    skLogWarning(text);
    session.services.host.Warn(text);
}

}  // namespace qv::page
