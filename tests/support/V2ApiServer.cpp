// SPDX-License-Identifier: GPL-3.0-or-later
#include "V2ApiServer.h"

#include <algorithm>

#include "V2PostJson.h"

namespace qv::test {

namespace {

using nlohmann::json;
using Query = std::map<std::string, std::string>;

std::string PathOf(const std::string& target) { return target.substr(0, target.find('?')); }

Query QueryOf(const std::string& target) {
    HttpExchange asForm;
    const auto question = target.find('?');
    if (question != std::string::npos) asForm.body = target.substr(question + 1);
    Query query;
    for (auto& [name, value] : asForm.FormFields()) query.emplace(name, value);
    return query;
}

long long Number(const Query& query, const std::string& name, long long fallback) {
    const auto found = query.find(name);
    if (found == query.end()) return fallback;
    try {
        return std::stoll(found->second);
    } catch (const std::exception&) {
        return fallback;
    }
}

unsigned long long IdOf(const json& post) { return std::stoull(post.at("id_string").get<std::string>()); }

std::vector<json> Convert(const std::vector<std::string>& posts, const std::string& blogName) {
    std::vector<json> converted;
    for (const std::string& post : posts) converted.push_back(V2PostFromReadApi(post, blogName));
    return converted;
}

ScriptedResponse Form(const std::string& body) {
    return ScriptedResponse::Ok(body, "application/x-www-form-urlencoded");
}

ScriptedResponse Refused(const std::string& why) {
    ScriptedResponse response = ScriptedResponse::Status(401, "oauth_problem=" + why);
    response.headers.emplace_back("Content-Type", "text/plain");
    return response;
}

json NextLink(const std::string& path, const json& parameters) {
    return {{"next", {{"type", "action"}, {"method", "GET"}, {"href", path}, {"query_params", parameters}}}};
}

}  // namespace

V2ApiServer::V2ApiServer() : check_(kConsumerKey, kConsumerSecret) {
    access_.emplace(kAccessToken, kAccessSecret);
    SetBlog(Blog());
    http_.SetHandler([this](const HttpExchange& exchange) { return Answer(exchange); });
}

void V2ApiServer::SetBlog(const Blog& blog) {
    std::lock_guard lock(mutex_);
    blog_ = blog;
    posts_ = Convert(blog.posts, blog.name);
}

void V2ApiServer::SetDrafts(const std::vector<std::string>& posts) {
    std::lock_guard lock(mutex_);
    drafts_ = Convert(posts, blog_.name);
    for (json& post : drafts_) post["state"] = "draft";
}

void V2ApiServer::SetQueue(const std::vector<std::string>& posts) {
    std::lock_guard lock(mutex_);
    queue_ = Convert(posts, blog_.name);
    for (json& post : queue_) post["state"] = "queued";
}

void V2ApiServer::SetLikes(const std::vector<LikedPost>& likes) {
    std::lock_guard lock(mutex_);
    likes_.clear();
    for (const LikedPost& like : likes) {
        json post = V2PostFromReadApi(like.post, like.blogName);
        post["liked_timestamp"] = like.likedTimestamp;
        likes_.push_back(std::move(post));
    }
}

void V2ApiServer::SetLoginOnly(bool loginOnly) {
    std::lock_guard lock(mutex_);
    loginOnly_ = loginOnly;
}

void V2ApiServer::PinPost(const std::string& id) {
    std::lock_guard lock(mutex_);
    pinnedId_ = id;
}

void V2ApiServer::PublishAfter(int answers, const std::string& post) {
    std::lock_guard lock(mutex_);
    publishAfter_ = answers;
    toPublish_ = V2PostFromReadApi(post, blog_.name);
}

void V2ApiServer::DeleteAfter(int answers, const std::string& id) {
    std::lock_guard lock(mutex_);
    deleteAfter_ = answers;
    toDelete_ = id;
}

void V2ApiServer::SetRateBudget(RateBudget budget) {
    std::lock_guard lock(mutex_);
    budget_ = budget;
}

void V2ApiServer::ThrottleNext(int count, std::optional<int> retryAfterSeconds) {
    std::lock_guard lock(mutex_);
    throttleCount_ = count;
    throttleRetryAfter_ = retryAfterSeconds;
}

void V2ApiServer::SetConsent(bool grant) {
    std::lock_guard lock(mutex_);
    consent_ = grant;
}

ScriptedResponse V2ApiServer::BrokenEnvelope(EnvelopeFault fault) {
    switch (fault) {
        case EnvelopeFault::NotJson:
            return ScriptedResponse::Ok("<html><body><h1>Something went wrong</h1></body></html>", "text/html");
        case EnvelopeFault::Truncated:
            return ScriptedResponse::Ok(R"({"meta":{"status":200,"msg":"OK"},"response":{"posts":[{"id":1,"ty)",
                                        "application/json");
        case EnvelopeFault::MetaStatus500:
            return ScriptedResponse::Ok(R"({"meta":{"status":500,"msg":"Server Error"},"response":[]})",
                                        "application/json");
        case EnvelopeFault::NoPosts:
            return ScriptedResponse::Ok(R"({"meta":{"status":200,"msg":"OK"},"response":{"total_posts":3}})",
                                        "application/json");
    }
    return ScriptedResponse::Status(500);
}

int V2ApiServer::SignaturesVerified() const {
    std::lock_guard lock(mutex_);
    return verified_;
}

int V2ApiServer::SignaturesRefused() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(refusals_.size());
}

std::vector<std::string> V2ApiServer::Refusals() const {
    std::lock_guard lock(mutex_);
    return refusals_;
}

std::vector<HttpExchange> V2ApiServer::ApiRequests() const {
    std::vector<HttpExchange> requests;
    for (auto& exchange : http_.Exchanges())
        if (exchange.target.rfind("/v2/", 0) == 0) requests.push_back(std::move(exchange));
    return requests;
}

ScriptedResponse V2ApiServer::Api(int status, const std::string& message, const json& response) {
    json envelope = {{"meta", {{"status", status}, {"msg", message}}}, {"response", response}};
    if (status != 200) envelope["errors"] = json::array({{{"title", message}, {"code", 0}, {"detail", message}}});
    ScriptedResponse answer = ScriptedResponse::Ok(envelope.dump(), "application/json; charset=utf-8");
    answer.status = status;
    answer.headers.emplace_back("X-Ratelimit-Perhour-Limit", "1000");
    answer.headers.emplace_back("X-Ratelimit-Perhour-Remaining", std::to_string(budget_.hourRemaining));
    answer.headers.emplace_back("X-Ratelimit-Perhour-Reset", std::to_string(budget_.hourReset));
    answer.headers.emplace_back("X-Ratelimit-Perday-Limit", "5000");
    answer.headers.emplace_back("X-Ratelimit-Perday-Remaining", std::to_string(budget_.dayRemaining));
    answer.headers.emplace_back("X-Ratelimit-Perday-Reset", std::to_string(budget_.dayReset));
    return answer;
}

V2ApiServer::Caller V2ApiServer::Identify(const HttpExchange& exchange, bool signatureRequired) {
    Caller caller;
    if (exchange.Header("Authorization")) {
        const OAuthVerdict verdict = check_.Check(exchange, [&](const std::string& token) -> std::optional<std::string> {
            const auto found = access_.find(token);
            return found == access_.end() ? std::nullopt : std::optional<std::string>(found->second);
        });
        if (verdict.valid) {
            ++verified_;
            caller.signedIn = true;
            return caller;
        }
        refusals_.push_back(verdict.refusal);
        caller.refusal = Api(401, "Unauthorized", json::array());
        return caller;
    }
    if (signatureRequired) {
        caller.refusal = Api(401, "Unauthorized", json::array());
        return caller;
    }
    const Query query = QueryOf(exchange.target);
    const auto key = query.find("api_key");
    if (key == query.end() || key->second != kConsumerKey) caller.refusal = Api(401, "Unauthorized", json::array());
    return caller;
}

json V2ApiServer::BlogObject(bool signedIn) const {
    const std::vector<json> visible = Published(signedIn);
    json blog = {{"name", blog_.name},
                 {"title", blog_.title},
                 {"description", UnescapedXmlText(blog_.description)},
                 {"url", "http://" + blog_.name + ".example/"},
                 {"posts", blog_.announcedTotal.value_or(static_cast<int>(visible.size()))},
                 {"updated", visible.empty() ? 0 : visible.front().value("timestamp", 0LL)},
                 {"ask", false}};
    if (signedIn) blog["timezone"] = "US/Eastern";
    return blog;
}

std::vector<json> V2ApiServer::Published(bool signedIn) const {
    std::vector<json> visible;
    for (const json& post : posts_)
        if (signedIn || post.value("state", "") != "private") visible.push_back(post);
    return visible;
}

ScriptedResponse V2ApiServer::Posts(const Query& query, bool signedIn) {
    if (query.count("before") != 0 && query.count("offset") != 0)
        return Api(400, "Bad Request", json::array());
    const std::vector<json> visible = Published(signedIn);
    std::vector<json> listed;
    const long long before = Number(query, "before", -1);
    for (const json& post : visible)
        if (before < 0 || post.value("timestamp", 0LL) < before) listed.push_back(post);
    const long long offset = std::max(0LL, Number(query, "offset", 0));
    const long long limit = std::clamp(Number(query, "limit", 20), 1LL, 20LL);

    json page = json::array();
    long long from = offset;
    if (!pinnedId_.empty() && offset == 0 && before < 0) {
        for (const json& post : visible) {
            if (post.value("id_string", "") != pinnedId_) continue;
            json pinned = post;
            pinned["is_pinned"] = true;
            page.push_back(pinned);
        }
    }
    for (long long i = from; i < static_cast<long long>(listed.size()) && static_cast<long long>(page.size()) < limit; ++i)
        page.push_back(listed[static_cast<std::size_t>(i)]);
    const long long shown = static_cast<long long>(page.size()) - (page.size() > 0 && page[0].contains("is_pinned") ? 1 : 0);

    json response = {{"blog", BlogObject(signedIn)}, {"posts", page},
                     {"total_posts", blog_.announcedTotal.value_or(static_cast<int>(visible.size()))}};
    if (from + shown < static_cast<long long>(listed.size()) && !page.empty()) {
        const std::string path = "/v2/blog/" + blog_.name + "/posts";
        response["_links"] = before >= 0 ? NextLink(path, {{"before", page.back().value("timestamp", 0LL)}})
                                         : NextLink(path, {{"offset", from + shown}});
    }
    ScriptedResponse answer = Api(200, "OK", response);
    if (++postsAnswers_ == publishAfter_) posts_.insert(posts_.begin(), toPublish_);
    if (postsAnswers_ == deleteAfter_)
        std::erase_if(posts_, [&](const json& post) { return post.value("id_string", "") == toDelete_; });
    return answer;
}

ScriptedResponse V2ApiServer::Drafts(const Query& query) {
    const long long beforeId = Number(query, "before_id", 0);
    json page = json::array();
    for (const json& post : drafts_) {
        if (beforeId > 0 && IdOf(post) >= static_cast<unsigned long long>(beforeId)) continue;
        if (page.size() == 20) break;
        page.push_back(post);
    }
    json response = {{"posts", page}};
    if (!page.empty())
        response["_links"] = NextLink("/v2/blog/" + blog_.name + "/posts/draft",
                                      {{"before_id", page.back().at("id_string")}});
    return Api(200, "OK", response);
}

ScriptedResponse V2ApiServer::Queue(const Query& query) {
    const long long offset = std::max(0LL, Number(query, "offset", 0));
    const long long limit = std::clamp(Number(query, "limit", 20), 1LL, 20LL);
    json page = json::array();
    for (long long i = offset; i < static_cast<long long>(queue_.size()) && i < offset + limit; ++i)
        page.push_back(queue_[static_cast<std::size_t>(i)]);
    return Api(200, "OK", {{"posts", page}, {"total_posts", queue_.size()}});
}

ScriptedResponse V2ApiServer::Likes(const Query& query) {
    const int given = static_cast<int>(query.count("before") + query.count("after") + query.count("offset"));
    if (given > 1) return Api(400, "Bad Request", json::array());
    const long long before = Number(query, "before", -1);
    const long long offset = std::max(0LL, Number(query, "offset", 0));
    const long long limit = std::clamp(Number(query, "limit", 20), 1LL, 20LL);
    std::vector<json> listed;
    for (const json& post : likes_)
        if (before < 0 || post.value("liked_timestamp", 0LL) < before) listed.push_back(post);
    json page = json::array();
    for (long long i = offset; i < static_cast<long long>(listed.size()) && i < offset + limit; ++i)
        page.push_back(listed[static_cast<std::size_t>(i)]);
    json response = {{"liked_posts", page}, {"liked_count", likes_.size()}};
    if (offset + limit < static_cast<long long>(listed.size()))
        response["_links"] = NextLink("/v2/blog/" + blog_.name + "/likes",
                                      {{"before", page.back().value("liked_timestamp", 0LL)}});
    return Api(200, "OK", response);
}

ScriptedResponse V2ApiServer::OAuthEndpoint(const std::string& path, const HttpExchange& exchange,
                                            const Query& query) {
    if (path == "/oauth/authorize") {
        const auto token = query.find("oauth_token");
        const auto found = token == query.end() ? temporary_.end() : temporary_.find(token->second);
        if (found == temporary_.end()) return ScriptedResponse::Status(400, "Unknown request token.");
        std::string back = found->second.callback + "?oauth_token=" + found->first;
        if (consent_) back += "&oauth_verifier=" + found->second.verifier;
        return ScriptedResponse::Redirect(302, back);
    }
    const bool temporaryStep = path == "/oauth/request_token";
    if (!temporaryStep && path != "/oauth/access_token") return ScriptedResponse::Status(404, "Not found");
    if (temporaryStep && exchange.method != "POST") return ScriptedResponse::Status(405, "POST only");
    const OAuthVerdict verdict = check_.Check(exchange, [&](const std::string& token) -> std::optional<std::string> {
        const auto found = temporary_.find(token);
        return found == temporary_.end() ? std::nullopt : std::optional<std::string>(found->second.secret);
    });
    if (!verdict.valid) {
        refusals_.push_back(verdict.refusal);
        return Refused(verdict.refusal);
    }
    ++verified_;
    const auto parameter = [&](const std::string& name) {
        const auto found = verdict.parameters.find(name);
        return found == verdict.parameters.end() ? std::string() : found->second;
    };
    const std::string n = std::to_string(++issued_);
    if (temporaryStep) {
        if (parameter("oauth_callback").empty() || parameter("oauth_token") != "") return Refused("parameter_absent");
        temporary_["temporary-" + n] = {"temporary-secret-" + n, parameter("oauth_callback"), "verifier-" + n};
        return Form("oauth_token=temporary-" + n + "&oauth_token_secret=temporary-secret-" + n +
                    "&oauth_callback_confirmed=true");
    }
    const auto temporary = temporary_.find(parameter("oauth_token"));
    if (temporary == temporary_.end() || parameter("oauth_verifier") != temporary->second.verifier)
        return Refused("verifier_invalid");
    temporary_.erase(temporary);
    access_["access-" + n] = "access-secret-" + n;
    return Form("oauth_token=access-" + n + "&oauth_token_secret=access-secret-" + n);
}

ScriptedResponse V2ApiServer::Answer(const HttpExchange& exchange) {
    const std::string path = PathOf(exchange.target);
    const Query query = QueryOf(exchange.target);
    std::lock_guard lock(mutex_);
    if (path.rfind("/oauth/", 0) == 0) return OAuthEndpoint(path, exchange, query);
    if (path.rfind("/v2/", 0) != 0) return ScriptedResponse::Status(404, "Not found");

    if (throttleCount_ > 0) {
        --throttleCount_;
        ScriptedResponse answer = Api(429, "Limit Exceeded", json::array());
        if (throttleRetryAfter_) answer.headers.emplace_back("Retry-After", std::to_string(*throttleRetryAfter_));
        return answer;
    }
    if (budget_.hourRemaining <= 0 || budget_.dayRemaining <= 0) return Api(429, "Limit Exceeded", json::array());
    --budget_.hourRemaining;
    --budget_.dayRemaining;
    if (query.count("npf") != 0 && query.at("npf") == "true")
        return Api(400, "This stand-in speaks the legacy post format only", json::array());

    if (path == "/v2/user/info") {
        const Caller caller = Identify(exchange, true);
        if (caller.refusal) return *caller.refusal;
        const json blogs = json::array({{{"name", blog_.name}, {"title", blog_.title}, {"primary", true}, {"admin", true}}});
        return Api(200, "OK", {{"user", {{"name", kUserName}, {"likes", likes_.size()}, {"following", 0},
                                         {"default_post_format", "html"}, {"blogs", blogs}}}});
    }
    const std::string prefix = "/v2/blog/";
    if (path.rfind(prefix, 0) != 0) return Api(404, "Not Found", json::array());
    const std::size_t hostEnd = path.find('/', prefix.size());
    const std::string method = hostEnd == std::string::npos ? "" : path.substr(hostEnd + 1);
    const bool ownOnly = method == "posts/draft" || method == "posts/queue";
    if (method != "info" && method != "posts" && method != "likes" && !ownOnly)
        return Api(404, "Not Found", json::array());
    const Caller caller = Identify(exchange, ownOnly || (loginOnly_ && method != "likes"));
    if (caller.refusal) return *caller.refusal;
    if (method == "info") return Api(200, "OK", {{"blog", BlogObject(caller.signedIn)}});
    if (method == "posts") return Posts(query, caller.signedIn);
    if (method == "posts/draft") return Drafts(query);
    if (method == "posts/queue") return Queue(query);
    return Likes(query);
}

}  // namespace qv::test
