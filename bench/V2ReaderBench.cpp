// SPDX-License-Identifier: GPL-3.0-or-later
// Measures a full backup of a large blog through the v2 API (20 posts a
// request, keyed and signed) beside the same blog through the read API (50 a
// request), both served at once from answers made beforehand, so that the
// figures are the run's own costs: requests, JSON read into posts, signing.
// Prints one "name: value" line per figure.
#include <chrono>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "Measuring.h"
#include "ReadApiServer.h"
#include "TempFolder.h"
#include "V2PostJson.h"
#include "modTumblrInteraction.h"
#include "v2reader/V2PageSource.h"

namespace {

using namespace qv;

constexpr int kPosts = 20000;
constexpr int kPostBytes = 1000;
// Alternated, so that a busy moment hits each alike; the medians decide.
constexpr int kRounds = 5;

// A run with nobody to ask: every failure ends it.
class EndOnFailure : public IRunDecisions {
public:
    bool GoOnWithoutPrivatePosts() override { return true; }
    Answer PageFailed(const Status& why, int32_t) override { return Fail(why); }
    Answer PageUnreadable(const Status& why, int32_t) override { return Fail(why); }
    Answer DummyRequestFailed(const Status& why, int32_t) override { return Fail(why); }
    void RunFailed(const Status& why) override { std::fprintf(stderr, "%s\n", why.text().c_str()); }
    void SavedDespite(const Status&) override {}
    void Done(const std::string&, const BackupResult&) override {}

private:
    Answer Fail(const Status& why) {
        RunFailed(why);
        return Answer::GiveUp;
    }
};

class QuietHost : public IBackupHost {
public:
    void BlockReceived(const std::string&, bool&, int32_t, int32_t, bool&) override {}
    void BlockSent(const std::string&, int32_t, int32_t, bool&) override {}
    void SetStatus(const std::string&) override {}
    void DisableCancel() override {}
    void DoEvents() override {}
};

std::string QueryValue(const std::string& target, const std::string& name) {
    const std::size_t at = target.find(name + "=");
    if (at == std::string::npos) return "";
    const std::size_t from = at + name.size() + 1;
    return target.substr(from, target.find('&', from) - from);
}

// The v2 API's answers to a full run of `blog`, by path and offset.
class V2Answers {
public:
    explicit V2Answers(const test::Blog& blog) {
        using nlohmann::json;
        const json about = {{"name", blog.name},
                            {"title", blog.title},
                            {"description", "A large blog"},
                            {"posts", blog.posts.size()}};
        info_ = Envelope({{"blog", about}});
        for (std::size_t offset = 0; offset <= blog.posts.size(); offset += 20) {
            json posts = json::array();
            for (std::size_t i = offset; i < std::min(offset + 20, blog.posts.size()); ++i)
                posts.push_back(test::V2PostFromReadApi(blog.posts[i], blog.name));
            pages_[std::to_string(offset)] =
                Envelope({{"blog", about}, {"posts", posts}, {"total_posts", blog.posts.size()}});
        }
    }

    test::ScriptedResponse Answer(const test::HttpExchange& exchange) const {
        const std::string& target = exchange.target;
        if (target.find("/info") != std::string::npos) return Ok(info_);
        const auto page = pages_.find(QueryValue(target, "offset"));
        return page == pages_.end() ? test::ScriptedResponse::Status(404) : Ok(page->second);
    }

private:
    static std::string Envelope(const nlohmann::json& response) {
        return nlohmann::json({{"meta", {{"status", 200}, {"msg", "OK"}}}, {"response", response}}).dump();
    }
    static test::ScriptedResponse Ok(const std::string& body) {
        test::ScriptedResponse answer = test::ScriptedResponse::Ok(body, "application/json");
        answer.headers.emplace_back("X-Ratelimit-Perhour-Remaining", "999");
        answer.headers.emplace_back("X-Ratelimit-Perday-Remaining", "4999");
        return answer;
    }

    std::string info_;
    std::map<std::string, std::string> pages_;
};

// Milliseconds of one full run, or -1 when it did not save every post.
double FullRunMs(const BackupOptions& options) {
    EndOnFailure decisions;
    QuietHost host;
    RunContext context(decisions, host);
    if (options.reader == Reader::V2) context.makeSource = v2reader::MakeV2Source;
    const auto start = bench::Clock::now();
    const BackupResult result = MakeBackupXML(options, context);
    const double elapsed = bench::MillisecondsSince(start);
    return result.ok() && result.PostsInBackup == kPosts ? elapsed : -1;
}

}  // namespace

int main() {
    test::TempFolder folder;
    test::Blog blog;
    blog.posts = test::MakePosts(kPosts, 5000000, 1, kPostBytes);

    test::ReadApiServer readApi;
    readApi.SetBlog(blog);
    std::map<std::string, std::string> v1Pages;
    for (int start = 0; start <= kPosts; start += PostsPerPage)
        v1Pages[std::to_string(start)] = readApi.Page(start, PostsPerPage);
    test::LoopbackServer v1([&v1Pages](const test::HttpExchange& exchange) {
        for (const auto& [name, value] : exchange.FormFields())
            if (name == "start") return test::ScriptedResponse::Ok(v1Pages.at(value));
        return test::ScriptedResponse::Status(400);
    });
    const V2Answers answers(blog);
    test::LoopbackServer v2(
        [&answers](const test::HttpExchange& exchange) { return answers.Answer(exchange); });
    v1.SetKeepAlive(true);
    v2.SetKeepAlive(true);

    BackupOptions readApiRun;
    readApiRun.XMLFileName = folder.File("v1.xml");
    readApiRun.GroupAddress = v1.Address();
    BackupOptions keyed;
    keyed.XMLFileName = folder.File("v2.xml");
    keyed.GroupAddress = "large.example";
    keyed.reader = Reader::V2;
    keyed.v2.apiBase = v2.Url("");
    keyed.v2.key = "bench-key";
    BackupOptions signedRun = keyed;
    signedRun.XMLFileName = folder.File("signed.xml");
    signedRun.v2.secret = "bench-secret";
    signedRun.v2.token = "bench-token";
    signedRun.v2.tokenSecret = "bench-token-secret";

    std::vector<double> v1Ms, keyedMs, signedMs;
    for (int round = 0; round < kRounds; ++round) {
        v1Ms.push_back(FullRunMs(readApiRun));
        keyedMs.push_back(FullRunMs(keyed));
        signedMs.push_back(FullRunMs(signedRun));
    }
    const double readApiMedian = bench::Median(v1Ms);
    const double keyedMedian = bench::Median(keyedMs);
    const double signedMedian = bench::Median(signedMs);
    std::printf("full_20k_read_api_ms: %.0f (401 requests)\n", readApiMedian);
    std::printf("full_20k_v2_ms: %.0f (1,002 requests)\n", keyedMedian);
    std::printf("full_20k_v2_signed_ms: %.0f\n", signedMedian);
    std::printf("full_20k_v2_posts_per_s: %.0f\n", kPosts / (keyedMedian / 1000));
    std::printf("full_20k_v2_to_read_api_ratio: %.2f\n", keyedMedian / readApiMedian);
    std::printf("full_20k_v2_signing_ratio: %.2f (target at most 1.25)\n", signedMedian / keyedMedian);
    std::printf("peak_resident_kb: %ld\n", bench::PeakResidentKb());
    return 0;
}
