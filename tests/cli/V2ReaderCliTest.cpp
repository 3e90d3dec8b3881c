// SPDX-License-Identifier: GPL-3.0-or-later
// Backups read through the service's v2 API, as users run them: the real
// quillvault-cli against the v2 stand-in (and the read API's, which serves the
// same blog), keyed or signed, through walls, limits, drifting pages, broken
// answers, drafts, the queue, likes and signing in through $BROWSER.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <set>

#include "CliTestSupport.h"
#include "TempFolder.h"
#include "V2ApiServer.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
using test::Blog;
using test::CliProcess;
using test::CliResult;
using test::Occurrences;
using test::ReadAll;
using test::RunCli;
using test::ScriptedResponse;
using test::Service;
using test::TempFolder;
using test::V2ApiServer;
using Environment = std::map<std::string, std::string>;

const std::string kBlog = "testblog.example";

Environment KeyOnly() { return {{"QUILLVAULT_API_KEY", V2ApiServer::kConsumerKey}}; }

Environment SignedIn() {
    return {{"QUILLVAULT_API_KEY", V2ApiServer::kConsumerKey},
            {"QUILLVAULT_API_SECRET", V2ApiServer::kConsumerSecret},
            {"QUILLVAULT_OAUTH_TOKEN", V2ApiServer::kAccessToken},
            {"QUILLVAULT_OAUTH_TOKEN_SECRET", V2ApiServer::kAccessSecret}};
}

Environment With(Environment environment, const Environment& more) {
    environment.insert(more.begin(), more.end());
    return environment;
}

// The ids of a saved backup's posts, in the file's order, with an attribute of each.
struct SavedPost {
    std::string id;
    std::string state;
    std::string isPrivate;
    std::string fromBlog;
};

std::vector<SavedPost> PostsIn(const std::string& file) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(file.c_str())) << file;
    std::vector<SavedPost> posts;
    for (const pugi::xml_node post : document.child("tumblr").child("posts").children("post"))
        posts.push_back({post.attribute("id").value(), post.attribute("state").value(),
                         post.attribute("private").value(), post.attribute("from-blog").value()});
    return posts;
}

std::set<std::string> IdsIn(const std::string& file) {
    std::set<std::string> ids;
    for (const SavedPost& post : PostsIn(file)) ids.insert(post.id);
    return ids;
}

std::vector<nlohmann::json> Events(const std::string& err, const std::string& event) {
    std::vector<nlohmann::json> found;
    std::size_t begin = 0;
    for (std::size_t end = err.find('\n'); end != std::string::npos;
         begin = end + 1, end = err.find('\n', begin)) {
        const nlohmann::json line = nlohmann::json::parse(err.substr(begin, end - begin), nullptr, false);
        if (line.is_object() && line.value("event", "") == event) found.push_back(line);
    }
    return found;
}

class V2Cli : public ::testing::Test {
protected:
    V2Cli() {
        Blog blog;
        blog.posts = test::MakePosts(45, 5000);  // all at one time, as in one busy second
        Service().SetBlog(blog);
        service_.SetBlog(Service().CurrentBlog());
    }

    // The run's arguments with the stand-in's addresses.
    std::vector<std::string> Args(std::vector<std::string> args) const {
        args.insert(args.end(), {"--api-base", service_.BaseUrl(), "--oauth-base", service_.BaseUrl()});
        return args;
    }

    V2ApiServer service_;
    TempFolder folder_;
};

TEST_F(V2Cli, TheSameBlogThroughEitherApiIsTheSameBackupAndNoSecretIsKeptOrSaid) {
    TempFolder dataHome;
    const std::string v1 = folder_.File("v1.xml");
    const std::string v2 = folder_.File("v2.xml");
    ASSERT_EQ(RunCli({Service().Address(), "-o", v1, "--api", "v1", "-q"}).exitCode, 0);

    const CliResult run = RunCli(Args({kBlog, "-o", v2, "--api", "v2", "--json"}),
                                 With(SignedIn(), {{"XDG_DATA_HOME", dataHome.Path().string()}}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadAll(v2), ReadAll(v1)) << "the same posts, attributes and blog, byte for byte";
    ASSERT_EQ(Events(run.err, "start").size(), 1u);
    EXPECT_EQ(Events(run.err, "start")[0].value("api", ""), "v2");
    EXPECT_EQ(Events(run.err, "end")[0].value("api", ""), "v2");
    EXPECT_NE(run.out.find("Read through the service's v2 API."), std::string::npos) << run.out;
    // Info and three pages of 20, each signed and found good.
    EXPECT_EQ(service_.ApiRequests().size(), 4u);
    EXPECT_EQ(service_.SignaturesVerified(), 4);
    EXPECT_TRUE(service_.Refusals().empty());
    for (const test::HttpExchange& request : service_.ApiRequests())
        EXPECT_EQ(request.target.find("api_key"), std::string::npos)
            << "a signed request names the key in its signature";
    struct stat info {};
    ASSERT_EQ(stat(v2.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "a signed read may hold private posts";

    const std::string library = ReadAll(dataHome.File("Quarrytide/Quillvault/library.json"));
    EXPECT_NE(library.find("\"api\": \"v2\""), std::string::npos) << library;
    EXPECT_NE(library.find("\"signedIn\": true"), std::string::npos) << library;
    const std::string log = ReadAll(dataHome.File("Quarrytide/Quillvault/Quillvault.log"));
    for (const char* secret : {V2ApiServer::kConsumerKey, V2ApiServer::kConsumerSecret,
                               V2ApiServer::kAccessToken, V2ApiServer::kAccessSecret}) {
        for (const std::string* where : {&run.out, &run.err, &library, &log})
            EXPECT_EQ(where->find(secret), std::string::npos);
        EXPECT_EQ(ReadAll(v2).find(secret), std::string::npos);
    }
}

TEST_F(V2Cli, AWallOfTheReadApiLeadsToTheV2ApiOnlyWithAKey) {
    for (const ScriptedResponse& wall :
         {ScriptedResponse::Redirect(302, "https://www.example.com/login_required/testblog"),
          ScriptedResponse::Status(401)}) {
        SCOPED_TRACE(wall.status);
        Service().Http().Enqueue(wall);
        const CliResult refused = RunCli({Service().Address(), "-o", folder_.File("refused.xml")});
        EXPECT_EQ(refused.exitCode, 1) << refused.err;
        EXPECT_NE(refused.err.find("--api v2"), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("QUILLVAULT_API_KEY"), std::string::npos) << refused.err;
        EXPECT_TRUE(service_.ApiRequests().empty());

        Service().Http().Enqueue(wall);
        const std::string file = folder_.File(std::to_string(wall.status) + ".xml");
        const CliResult run = RunCli(Args({Service().Address(), "-o", file, "--json"}), KeyOnly());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Events(run.err, "start")[0].value("api", ""), "v1");
        EXPECT_EQ(Events(run.err, "end")[0].value("api", ""), "v2");
        std::size_t saidSo = 0;
        for (const nlohmann::json& notice : Events(run.err, "notice"))
            saidSo += notice.value("text", "").find("v2 API") != std::string::npos;
        EXPECT_EQ(saidSo, 1u) << run.err;
        EXPECT_TRUE(Events(run.err, "error").empty()) << "the wall is no failure when the v2 API goes on";
        EXPECT_EQ(IdsIn(file).size(), 45u);
        service_.Http().ClearExchanges();
    }
}

TEST_F(V2Cli, ALoginOnlyBlogGivesItsPrivatePostsToASignedReadAlone) {
    const std::string text =
        ReadAll(std::string(QV_FIXTURES_DIR) + "/09-authenticated-read-private-posts-total-mismatch.xml");
    Blog blog;
    blog.name = "dummylog";
    for (std::size_t at = text.find("<post "); at != std::string::npos; at = text.find("<post ", at + 1))
        blog.posts.push_back(text.substr(at, text.find("</post>", at) + 7 - at));
    service_.SetBlog(blog);
    service_.SetLoginOnly(true);

    const CliResult anonymous =
        RunCli(Args({"dummylog.tumblr.com", "-o", folder_.File("anonymous.xml"), "--api", "v2"}), KeyOnly());
    EXPECT_EQ(anonymous.exitCode, 1) << anonymous.err;
    EXPECT_NE(anonymous.err.find("shown to signed-in readers"), std::string::npos) << anonymous.err;
    EXPECT_EQ(service_.ApiRequests().size(), 1u) << "a refusal that means it is not asked again";

    const std::string file = folder_.File("signed.xml");
    const CliResult run = RunCli(Args({"dummylog.tumblr.com", "-o", file, "--api", "v2", "-q"}), SignedIn());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<SavedPost> posts = PostsIn(file);
    ASSERT_EQ(posts.size(), 14u);
    EXPECT_EQ(std::count_if(posts.begin(), posts.end(),
                            [](const SavedPost& post) { return post.isPrivate == "true"; }),
              7);
}

TEST_F(V2Cli, SigningInThroughTheBrowserGivesTheTokenOfTheNextSignedRun) {
    // A browser that follows the authorize page back to the listener, as a person's would.
    const std::string browser = folder_.File("browser");
    test::WriteAll(browser, "#!/bin/sh\nexec curl --silent --location --output /dev/null \"$1\"\n");
    std::filesystem::permissions(browser, std::filesystem::perms::owner_all);
    const Environment application = {{"QUILLVAULT_API_KEY", V2ApiServer::kConsumerKey},
                                     {"QUILLVAULT_API_SECRET", V2ApiServer::kConsumerSecret},
                                     {"BROWSER", browser + " %s"}};

    const CliResult signedIn = RunCli(Args({"sign-in", "--print"}), application);
    ASSERT_EQ(signedIn.exitCode, 0) << signedIn.err;
    EXPECT_NE(signedIn.err.find(service_.BaseUrl() + "/oauth/authorize?oauth_token="), std::string::npos)
        << "the address is printed too: " << signedIn.err;
    EXPECT_NE(signedIn.out.find("Signed in as testuser."), std::string::npos) << signedIn.out;
    Environment next = application;
    for (const char* name : {"QUILLVAULT_OAUTH_TOKEN", "QUILLVAULT_OAUTH_TOKEN_SECRET"}) {
        const std::string line = std::string("export ") + name + "='";
        const std::size_t at = signedIn.out.find(line);
        ASSERT_NE(at, std::string::npos) << signedIn.out;
        const std::size_t from = at + line.size();
        next[name] = signedIn.out.substr(from, signedIn.out.find('\'', from) - from);
    }
    EXPECT_NE(next["QUILLVAULT_OAUTH_TOKEN"], V2ApiServer::kAccessToken) << "a token of its own";

    service_.SetLoginOnly(true);
    const CliResult run = RunCli(Args({kBlog, "-o", folder_.File("blog.xml"), "--api", "v2", "-q"}), next);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(IdsIn(folder_.File("blog.xml")).size(), 45u);

    // As the Library runs it: the address as a notice, the user's name in the end event.
    const CliResult asJob = RunCli(Args({"sign-in", "--print", "--json"}), application);
    ASSERT_EQ(asJob.exitCode, 0) << asJob.err;
    ASSERT_EQ(Events(asJob.err, "end").size(), 1u) << asJob.err;
    EXPECT_EQ(Events(asJob.err, "end")[0].value("command", ""), "sign-in");
    EXPECT_EQ(Events(asJob.err, "end")[0].value("name", ""), "testuser");
    ASSERT_EQ(Events(asJob.err, "notice").size(), 1u) << asJob.err;
    EXPECT_NE(Events(asJob.err, "notice")[0].value("text", "").find("/oauth/authorize?oauth_token="),
              std::string::npos);

    service_.SetConsent(false);
    const CliResult declined = RunCli(Args({"sign-in", "--print"}), application);
    EXPECT_EQ(declined.exitCode, 1) << declined.err;
    EXPECT_NE(declined.err.find("declined"), std::string::npos) << declined.err;
    EXPECT_EQ(declined.out, "");
    EXPECT_EQ(RunCli(Args({"sign-in", "--print", "--keyring"}), application).exitCode, 2);
    EXPECT_EQ(RunCli(Args({"sign-in", "--print"}), KeyOnly()).exitCode, 2) << "no secret to sign with";
}

TEST_F(V2Cli, AnHourlyLimitIsWaitedOutWithinMaxWait) {
    service_.SetRateBudget({2, 3, 5000, 86400});  // the info and the first page spend the hour
    const std::string file = folder_.File("blog.xml");
    CliProcess run(Args({kBlog, "-o", file, "--api", "v2", "--json"}), KeyOnly());
    ASSERT_TRUE(run.WaitForError("\"event\":\"wait\"", 60s));
    service_.SetRateBudget({});  // the hour has reset
    const CliResult waited = run.Finish();
    ASSERT_EQ(waited.exitCode, 0) << waited.err;
    const std::vector<nlohmann::json> waits = Events(waited.err, "wait");
    ASSERT_FALSE(waits.empty());
    EXPECT_EQ(waits[0].value("reason", ""), "throttled");
    EXPECT_NE(waits[0].value("text", "").find("hourly limit"), std::string::npos) << waited.err;
    EXPECT_LE(waits[0].value("seconds", 0), 3);
    EXPECT_EQ(IdsIn(file).size(), 45u);

    service_.SetRateBudget({1, 3600, 5000, 86400});
    const CliResult past =
        RunCli(Args({kBlog, "-o", folder_.File("late.xml"), "--api", "v2", "--max-wait", "10m"}), KeyOnly());
    EXPECT_EQ(past.exitCode, 1) << past.err;
    EXPECT_NE(past.err.find("kept asking to wait"), std::string::npos) << past.err;
}

TEST_F(V2Cli, ASpentDayEndsTheRunResumablyAndTheNextRunGoesOn) {
    const std::string file = folder_.File("blog.xml");
    service_.SetRateBudget({1000, 3600, 3, 40000});  // the info and two pages
    const CliResult first = RunCli(Args({kBlog, "-o", file, "--api", "v2", "--json"}), KeyOnly());
    EXPECT_EQ(first.exitCode, 1) << first.err;
    ASSERT_EQ(Events(first.err, "end").size(), 1u);
    EXPECT_EQ(Events(first.err, "end")[0].value("status", ""), "daily-limit");
    const std::string said = Events(first.err, "end")[0].value("text", "");
    EXPECT_NE(said.find("daily limit"), std::string::npos) << said;
    EXPECT_NE(said.find("resets in 11 h 7 min"), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(file)) << "the target is untouched";
    EXPECT_TRUE(std::filesystem::exists(file + ".partial/0.xml"));
    EXPECT_TRUE(std::filesystem::exists(file + ".partial/20.xml"));
    EXPECT_EQ(service_.ApiRequests().size(), 3u) << "no request once the day is spent";

    service_.SetRateBudget({});
    const CliResult next = RunCli(Args({kBlog, "-o", file}), KeyOnly());
    ASSERT_EQ(next.exitCode, 0) << next.err;
    EXPECT_NE(next.err.find("Continuing an interrupted backup: 2 pages already received."), std::string::npos)
        << next.err;
    EXPECT_NE(next.out.find("Read through the service's v2 API."), std::string::npos)
        << "the interrupted run's reader goes on under --api auto: " << next.out;
    EXPECT_EQ(IdsIn(file).size(), 45u);
    EXPECT_EQ(PostsIn(file).size(), 45u);
    EXPECT_FALSE(std::filesystem::exists(file + ".partial"));
}

TEST_F(V2Cli, PinnedPublishedAndDeletedPostsDuringARunLoseNothing) {
    // Each moves the pages after it by one: a pinned post shown first takes a
    // place on the first page, a post published after the first answer moves
    // the later ones down, one deleted after the second answer moves them up.
    const std::function<void(V2ApiServer&)> drifts[] = {
        [](V2ApiServer& service) { service.PinPost("1030"); },
        [](V2ApiServer& service) {
            service.PublishAfter(1, test::MakePost(2000));
            service.DeleteAfter(2, "1060");
        },
    };
    for (std::size_t drift = 0; drift < std::size(drifts); ++drift) {
        SCOPED_TRACE(drift);
        V2ApiServer service;
        Blog blog;
        blog.posts = test::MakePosts(65, 1064);  // all of one second: paging by time would lose them
        service.SetBlog(blog);
        drifts[drift](service);
        const std::string file = folder_.File(std::to_string(drift) + ".xml");
        const CliResult run =
            RunCli({kBlog, "-o", file, "--api", "v2", "-q", "--api-base", service.BaseUrl()}, KeyOnly());
        ASSERT_EQ(run.exitCode, 0) << run.err;

        std::set<std::string> ids;
        for (const SavedPost& post : PostsIn(file))
            EXPECT_TRUE(ids.insert(post.id).second) << "twice: " << post.id;
        for (int id = 1000; id <= 1064; ++id) EXPECT_EQ(ids.count(std::to_string(id)), 1u) << "lost: " << id;
    }
}

TEST_F(V2Cli, ABrokenAnswerIsAFailedPageAndLeavesTheEarlierBackupByteForByte) {
    const std::string file = folder_.File("blog.xml");
    ASSERT_EQ(RunCli(Args({kBlog, "-o", file, "--api", "v2", "-q"}), KeyOnly()).exitCode, 0);
    const std::string before = ReadAll(file);

    const std::pair<test::EnvelopeFault, const char*> faults[] = {
        {test::EnvelopeFault::NotJson, "not JSON"},
        {test::EnvelopeFault::Truncated, "not JSON"},
        {test::EnvelopeFault::MetaStatus500, "500 Server Error"},
        {test::EnvelopeFault::NoPosts, "no list of posts"},
    };
    for (const auto& [fault, words] : faults) {
        SCOPED_TRACE(words);
        service_.Http().SetHandler([this, fault = fault](const test::HttpExchange& exchange) {
            if (exchange.target.find("/posts") != std::string::npos)
                return V2ApiServer::BrokenEnvelope(fault);
            return service_.Answer(exchange);
        });
        const CliResult run = RunCli(
            Args({kBlog, "-i", file, "-o", file, "--api", "v2", "--retries", "1", "--retry-delay", "0"}),
            KeyOnly());
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
        EXPECT_EQ(Occurrences(run.err, "Retrying now"), 1u) << run.err;
        EXPECT_EQ(ReadAll(file), before);
    }
}

TEST_F(V2Cli, DraftsAndTheQueueComeWithTheirStateAndIncrementalRunsKeepThem) {
    service_.SetDrafts(test::MakePosts(25, 7000));
    service_.SetQueue(test::MakePosts(3, 8000));
    EXPECT_EQ(RunCli(Args({kBlog, "-o", folder_.File("x.xml"), "--drafts"}), KeyOnly()).exitCode, 2)
        << "drafts are for the signed-in blog's own user";
    Environment withoutSecret = SignedIn();
    withoutSecret.erase("QUILLVAULT_API_SECRET");
    EXPECT_EQ(RunCli(Args({kBlog, "-o", folder_.File("x.xml")}), withoutSecret).exitCode, 2)
        << "a token that could not sign would read without it";

    const std::string file = folder_.File("blog.xml");
    const CliResult run = RunCli(Args({kBlog, "-o", file, "--drafts", "--queue", "-q"}), SignedIn());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::map<std::string, int> states;
    for (const SavedPost& post : PostsIn(file)) ++states[post.state];
    EXPECT_EQ(states, (std::map<std::string, int>{{"", 45}, {"draft", 25}, {"queued", 3}}));

    // A new draft and a new post: the run reads both, and stops where the posts are known.
    std::vector<std::string> drafts = test::MakePosts(25, 7000);
    drafts.insert(drafts.begin(), test::MakePost(7001));
    service_.SetDrafts(drafts);
    Blog blog = Service().CurrentBlog();
    blog.posts.insert(blog.posts.begin(), test::MakePost(5001));
    service_.SetBlog(blog);
    const CliResult more =
        RunCli(Args({kBlog, "-i", file, "-o", file, "--drafts", "--queue", "-q"}), SignedIn());
    ASSERT_EQ(more.exitCode, 0) << more.err;
    EXPECT_NE(more.out.find("2 posts were added."), std::string::npos) << more.out;
    const std::set<std::string> ids = IdsIn(file);
    EXPECT_EQ(ids.size(), 75u);
    EXPECT_EQ(ids.count("7001") + ids.count("5001"), 2u);
}

TEST_F(V2Cli, LikesAreABackupOfTheSameFormatWhosePostsNameTheirBlogs) {
    std::vector<test::LikedPost> likes;
    for (int i = 0; i < 25; ++i)
        likes.push_back({test::MakePost(9000 - i), i % 2 == 0 ? "otherblog" : "thirdblog", 1500000000 - i});
    service_.SetLikes(likes);
    TempFolder dataHome;
    const std::string file = folder_.File("likes.xml");
    const CliResult run = RunCli(Args({"likes", kBlog, "-o", file, "-q"}),
                                 With(KeyOnly(), {{"XDG_DATA_HOME", dataHome.Path().string()}}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<SavedPost> posts = PostsIn(file);
    ASSERT_EQ(posts.size(), 25u);
    for (const SavedPost& post : posts)
        EXPECT_TRUE(post.fromBlog == "otherblog" || post.fromBlog == "thirdblog");
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(file.c_str()));
    EXPECT_STREQ(document.child("tumblr").child("tumblelog").attribute("name").value(), "testblog");
    EXPECT_FALSE(std::filesystem::exists(dataHome.File("Quarrytide/Quillvault/library.json")))
        << "the Library's updates read a blog's own posts";
    EXPECT_EQ(RunCli(Args({"likes", kBlog, "-o", file, "--api", "v1"}), KeyOnly()).exitCode, 2);
}

}  // namespace
}  // namespace qv
