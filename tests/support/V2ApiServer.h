// SPDX-License-Identifier: GPL-3.0-or-later
// The service's v2 API and its OAuth 1.0a endpoints on a LoopbackServer, in
// the shapes of the API's public documentation, serving the same blog as the
// read-API stand-in (its posts turned into the v2 API's JSON), so that a
// backup read through either can be compared post for post.
//
//   /oauth/request_token (POST), /oauth/authorize, /oauth/access_token
//   /v2/user/info                                        signed
//   /v2/blog/{host}/info, /posts (offset, limit, before)  api_key or signed
//   /v2/blog/{host}/posts/draft (before_id), /posts/queue  signed
//   /v2/blog/{host}/likes (offset, limit, before)         api_key or signed
//
// Every signature is checked (OAuthCheck); a bad one, a missing or wrong
// api_key, and a signed-only request without a signature get 401. Every
// /v2 answer carries the rate-limit headers. Faults beyond the switches
// below are scripted with Http().Enqueue (see BrokenEnvelope).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "LoopbackServer.h"
#include "OAuthCheck.h"
#include "ReadApiServer.h"

namespace qv::test {

// A post the blog liked, as its own blog's read API wrote it.
struct LikedPost {
    std::string post;
    std::string blogName;
    std::int64_t likedTimestamp = 0;
};

// What the answers' X-Ratelimit-* headers count. Every /v2 request spends
// one of each; a request when either is spent gets 429 Limit Exceeded.
struct RateBudget {
    int hourRemaining = 1000;
    int hourReset = 3600;
    int dayRemaining = 5000;
    int dayReset = 86400;
};

enum class EnvelopeFault {
    NotJson,         // a 200 with an HTML error page
    Truncated,       // the JSON breaks off
    MetaStatus500,   // HTTP 200, the envelope says 500 (as JSONP answers do)
    NoPosts,         // meta 200, a response without its list
};

class V2ApiServer {
public:
    static constexpr const char* kConsumerKey = "qv-test-consumer-key";
    static constexpr const char* kConsumerSecret = "qv-test-consumer-secret";
    // A token granted before the test, for signed reads without signing in.
    static constexpr const char* kAccessToken = "qv-test-access-token";
    static constexpr const char* kAccessSecret = "qv-test-access-secret";
    static constexpr const char* kUserName = "testuser";

    V2ApiServer();

    LoopbackServer& Http() { return http_; }
    // "http://127.0.0.1:PORT": both the API base and the OAuth base.
    std::string BaseUrl() const { return http_.Url(""); }

    // The blog of the read-API stand-in; its posts newest first, as listed there.
    void SetBlog(const Blog& blog);
    void SetDrafts(const std::vector<std::string>& posts);
    void SetQueue(const std::vector<std::string>& posts);
    void SetLikes(const std::vector<LikedPost>& likes);

    // Unsigned reads of the blog get 401, as for a blog shown to signed-in
    // readers only. Private posts are listed to signed requests alone, always.
    void SetLoginOnly(bool loginOnly);
    // The post of that id is listed first on the first page of /posts
    // (is_pinned), counting toward the page's limit, and again in its place.
    void PinPost(const std::string& id);
    // After `answers` answers of /posts, `post` is published (listed first).
    void PublishAfter(int answers, const std::string& post);
    // After `answers` answers of /posts, the post of that id is deleted.
    void DeleteAfter(int answers, const std::string& id);
    void SetRateBudget(RateBudget budget);
    // The next `count` /v2 requests get 429 with this Retry-After (none: no header).
    void ThrottleNext(int count, std::optional<int> retryAfterSeconds);
    // Whether the user grants access on the authorize page (a redirect back
    // to the callback with oauth_verifier) or declines (without one).
    void SetConsent(bool grant);

    static ScriptedResponse BrokenEnvelope(EnvelopeFault fault);

    // Signatures checked and found good, and refused, since the last reset.
    int SignaturesVerified() const;
    int SignaturesRefused() const;
    std::vector<std::string> Refusals() const;
    // Requests of /v2 paths, in order.
    std::vector<HttpExchange> ApiRequests() const;

    ScriptedResponse Answer(const HttpExchange& exchange);

private:
    struct Caller {
        bool signedIn = false;
        std::optional<ScriptedResponse> refusal;
    };

    Caller Identify(const HttpExchange& exchange, bool signatureRequired);
    ScriptedResponse Api(int status, const std::string& message, const nlohmann::json& response);
    nlohmann::json BlogObject(bool signedIn) const;
    std::vector<nlohmann::json> Published(bool signedIn) const;
    ScriptedResponse Posts(const std::map<std::string, std::string>& query, bool signedIn);
    ScriptedResponse Drafts(const std::map<std::string, std::string>& query);
    ScriptedResponse Queue(const std::map<std::string, std::string>& query);
    ScriptedResponse Likes(const std::map<std::string, std::string>& query);
    ScriptedResponse OAuthEndpoint(const std::string& path, const HttpExchange& exchange,
                                   const std::map<std::string, std::string>& query);

    mutable std::mutex mutex_;
    Blog blog_;
    std::vector<nlohmann::json> posts_;
    std::vector<nlohmann::json> drafts_;
    std::vector<nlohmann::json> queue_;
    std::vector<nlohmann::json> likes_;
    bool loginOnly_ = false;
    std::string pinnedId_;
    int publishAfter_ = -1;
    nlohmann::json toPublish_;
    int deleteAfter_ = -1;
    std::string toDelete_;
    int postsAnswers_ = 0;
    RateBudget budget_;
    int throttleCount_ = 0;
    std::optional<int> throttleRetryAfter_;
    bool consent_ = true;
    OAuthCheck check_;
    // Token -> secret: temporary ones (with their callback and verifier) and access ones.
    struct Temporary {
        std::string secret;
        std::string callback;
        std::string verifier;
    };
    std::map<std::string, Temporary> temporary_;
    std::map<std::string, std::string> access_;
    int issued_ = 0;
    int verified_ = 0;
    std::vector<std::string> refusals_;
    // Last: its connection threads use the members above until it has stopped.
    LoopbackServer http_;
};

}  // namespace qv::test
