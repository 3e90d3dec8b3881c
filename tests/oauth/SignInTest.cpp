// SPDX-License-Identifier: GPL-3.0-or-later
// Signing in end to end against the v2 stand-in, with a browser that follows
// the authorize page's redirect to our listener as a browser does, after
// opening a spare connection it never uses and stumbling on a stale callback.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "V2ApiServer.h"
#include "oauth/SignIn.h"

namespace qv::oauth {
namespace {

using namespace std::chrono_literals;
using test::V2ApiServer;

// What the browser saw: each address it asked for and the page it got.
struct BrowserVisit {
    std::string url;
    int status = 0;
    std::string page;
};

class Browser {
public:
    ~Browser() { Join(); }

    // The opener: returns at once, as xdg-open does, while the browser works.
    std::function<void(const std::string&)> Opener(bool strayCallbackFirst = false) {
        return [this, strayCallbackFirst](const std::string& address) {
            thread_ = std::thread([this, address, strayCallbackFirst] { Follow(address, strayCallbackFirst); });
        };
    }

    std::vector<BrowserVisit> Visits() {
        Join();
        return visits_;
    }

private:
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

    BrowserVisit Get(const std::string& url) {
        ServiceCall call;
        call.url = url;
        const ServiceAnswer answer = Exchange(request_, call, {});
        BrowserVisit visit{url, answer.httpStatus, answer.body};
        visits_.push_back(visit);
        return visit;
    }

    std::string Location() {
        const auto location = request_.ResponseHeader("Location");
        return location.value_or("");
    }

    // A spare connection to the listener that never sends a byte, held open
    // while the rest goes on.
    int Preconnect(const std::string& callback) {
        std::string protocol, host, path;
        int port = 0;
        if (!HttpRequest::ParseUrl(callback, protocol, host, port, path)) return -1;
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    void Follow(const std::string& authorize, bool strayCallbackFirst) {
        const BrowserVisit page = Get(authorize);
        if (page.status != 302) return;
        const std::string callback = Location();
        const int spare = Preconnect(callback);
        if (strayCallbackFirst)
            Get(callback.substr(0, callback.find('?')) + "?oauth_token=from-an-old-tab&oauth_verifier=stale");
        Get(callback.substr(0, callback.find("/callback")) + "/favicon.ico");
        Get(callback);
        if (spare >= 0) ::close(spare);
    }

    HttpRequest request_;
    std::thread thread_;
    std::vector<BrowserVisit> visits_;
};

SignInRequest RequestFor(const V2ApiServer& service, Browser& browser) {
    SignInRequest request;
    request.oauthBase = service.BaseUrl() + "/";
    request.apiBase = service.BaseUrl();
    request.client = {V2ApiServer::kConsumerKey, V2ApiServer::kConsumerSecret};
    request.opener = browser.Opener();
    // Far beyond what a loopback sign-in takes: the wait ends at the callback, not at this.
    request.waitLimit = 2min;
    return request;
}

TEST(SignIn, ThroughTheBrowserToAnAccessTokenAndTheUsersNameWithEverySignatureChecked) {
    V2ApiServer service;
    Browser browser;
    SignInRequest request = RequestFor(service, browser);
    request.opener = browser.Opener(/*strayCallbackFirst=*/true);
    std::string opened;
    request.opener = [&, open = request.opener](const std::string& address) {
        opened = address;
        open(address);
    };

    const Result<SignedInUser> user = SignIn(request);
    ASSERT_TRUE(user.ok()) << user.status().text();
    EXPECT_EQ(user->name, V2ApiServer::kUserName);
    EXPECT_EQ(opened.rfind(service.BaseUrl() + "/oauth/authorize?oauth_token=", 0), 0u) << opened;

    const auto visits = browser.Visits();
    ASSERT_EQ(visits.size(), 4u);
    EXPECT_EQ(visits[1].status, 400) << "a callback of another sign-in is not taken";
    EXPECT_EQ(visits[2].status, 404);
    EXPECT_EQ(visits[3].status, 200);
    EXPECT_NE(visits[3].page.find("Quillvault is signed in"), std::string::npos);

    // Request token, access token, user info: each signed, each checked.
    EXPECT_EQ(service.SignaturesVerified(), 3);
    EXPECT_TRUE(service.Refusals().empty());
    const auto calls = service.Http().Exchanges();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().method, "POST");
    EXPECT_NE(calls.front().Header("Authorization")->find("oauth_callback=\"http%3A%2F%2F127.0.0.1%3A"),
              std::string::npos);
    EXPECT_NE(calls.front().Header("Authorization")->find("oauth_version=\"1.0\""), std::string::npos);

    // The token reads signed; the same token with another secret is refused.
    HttpRequest http;
    const auto userInfo = [&](const std::string& secret) {
        const RequestSigner signer({V2ApiServer::kConsumerKey, V2ApiServer::kConsumerSecret},
                                   TokenCredentials{user->token, secret});
        const std::string url = service.BaseUrl() + "/v2/user/info";
        return Exchange(http, {"GET", url, {"Authorization: " + *signer.Authorization("GET", url)}, {}, {}}, {});
    };
    EXPECT_TRUE(userInfo(user->secret).status.ok());
    const ServiceAnswer forged = userInfo(user->secret + "x");
    EXPECT_EQ(forged.status.kind(), StatusKind::Wall);
    ASSERT_EQ(service.Refusals().size(), 1u);
    EXPECT_EQ(service.Refusals()[0].rfind("signature does not match", 0), 0u) << service.Refusals()[0];
}

TEST(SignIn, EachWayItFailsHasItsKind) {
    struct Case {
        std::string name;
        std::function<void(V2ApiServer&, SignInRequest&)> arrange;
        StatusKind kind;
    };
    const std::vector<Case> cases = {
        {"declined in the browser", [](V2ApiServer& s, SignInRequest&) { s.SetConsent(false); }, StatusKind::Wall},
        {"the browser never comes back",
         [](V2ApiServer&, SignInRequest& r) {
             r.opener = [](const std::string&) {};
             r.waitLimit = 300ms;
         },
         StatusKind::Timeout},
        {"stopped while waiting",
         [](V2ApiServer&, SignInRequest& r) {
             r.opener = [](const std::string&) {};
             r.cancelled = [] { return true; };
         },
         StatusKind::Cancelled},
        {"the application's secret is wrong", [](V2ApiServer&, SignInRequest& r) { r.client.secret = "wrong"; },
         StatusKind::Wall},
        {"no secret at all", [](V2ApiServer&, SignInRequest& r) { r.client.secret.clear(); }, StatusKind::Usage},
        {"plain http to another machine",
         [](V2ApiServer&, SignInRequest& r) { r.apiBase = "http://api.example.com"; }, StatusKind::Usage},
        {"a token answer that is no token",
         [](V2ApiServer& s, SignInRequest&) {
             s.Http().Enqueue(test::ScriptedResponse::Ok("<html>Welcome!</html>", "text/html"));
         },
         StatusKind::NotBlogXml},
        {"an unconfirmed callback",
         [](V2ApiServer& s, SignInRequest&) {
             s.Http().Enqueue(test::ScriptedResponse::Ok("oauth_token=t&oauth_token_secret=s",
                                                         "application/x-www-form-urlencoded"));
         },
         StatusKind::NotBlogXml},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        V2ApiServer service;
        Browser browser;
        SignInRequest request = RequestFor(service, browser);
        c.arrange(service, request);
        const Result<SignedInUser> user = SignIn(request);
        ASSERT_FALSE(user.ok());
        EXPECT_EQ(user.status().kind(), c.kind) << user.status().text();
        if (c.kind == StatusKind::Usage) {
            EXPECT_EQ(service.Http().ExchangeCount(), 0u);
        }
        if (c.name == "declined in the browser") {
            const auto visits = browser.Visits();
            ASSERT_FALSE(visits.empty());
            EXPECT_NE(visits.back().page.find("not given access"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace qv::oauth
