// SPDX-License-Identifier: GPL-3.0-or-later
// The command line against a service that throttles, walls a blog off, or
// sends a page that one broken post makes unreadable.
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "TempFolder.h"

namespace qv {
namespace {

using test::Blog;
using test::CliResult;
using test::Occurrences;
using test::RunCli;
using test::ScriptedResponse;
using test::Service;
using test::TempFolder;

ScriptedResponse TooManyRequests(const std::string& retryAfter = "") {
    ScriptedResponse answer = ScriptedResponse::Status(429, "Limit exceeded");
    answer.reason = "Limit exceeded";
    if (!retryAfter.empty()) answer.headers = {{"Retry-After", retryAfter}};
    return answer;
}

TEST(CliService, ThrottlingIsWaitedOutWithoutUsingRetriesAndSlowsThePace) {
    TempFolder folder;
    Blog blog;
    blog.posts = test::MakePosts(120, 700000);
    Service().SetBlog(blog);
    for (int i = 0; i < 5; ++i) Service().Http().Enqueue(TooManyRequests());
    const auto started = std::chrono::steady_clock::now();
    const CliResult run = RunCli(
        {Service().Address(), "-o", folder.File("blog.xml"), "--retries", "0", "--retry-delay", "0"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Occurrences(run.err, "The service says it is asked too often (HTTP 429); waiting 0 s"), 5u)
        << run.err;
    EXPECT_EQ(Occurrences(run.err, "From now on at most one request every 1.5 s."), 1u) << run.err;
    EXPECT_EQ(Service().StartsRequested(), (std::vector<int>{0, 0, 0, 0, 0, 0, 50, 100}));
    // After the third 429 the requests keep 1.5 s apart: four more gaps.
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(4 * 1500));
}

TEST(CliService, WaitsThatAddUpPastMaxWaitEndTheRun) {
    TempFolder folder;
    for (int i = 0; i < 4; ++i) Service().Http().Enqueue(TooManyRequests("1"));
    const CliResult run =
        RunCli({Service().Address(), "-o", folder.File("blog.xml"), "--max-wait", "2s", "-q"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("Giving up: the service has kept asking to wait (2 s waited in all)."),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Service().ApiRequests().size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(folder.File("blog.xml")));
}

TEST(CliService, AWallStopsTheRunAtOnceWithoutRetries) {
    TempFolder folder;
    for (const ScriptedResponse& wall :
         {ScriptedResponse::Redirect(302, "https://www.example.com/login_required/myblog"),
          ScriptedResponse::Status(404)}) {
        Service().Http().ClearExchanges();
        Service().Http().ClearQueue();
        Service().Http().Enqueue({wall, wall, wall});
        const CliResult run =
            RunCli({Service().Address(), "-o", folder.File("blog.xml"), "--retry-delay", "0"});
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_EQ(Service().ApiRequests().size(), 1u) << run.err;
        EXPECT_NE(
            run.err.find(wall.status == 404 ? "does not exist"
                                            : "login page (https://www.example.com/login_required/myblog)"),
            std::string::npos)
            << run.err;
    }
}

TEST(CliService, OneBrokenPostCostsOnlyItselfAndIsNamed) {
    TempFolder folder;
    Blog blog;
    blog.posts = test::MakePosts(200, 300000);
    blog.posts[73] = "<post id=\"299927\" type=\"regular\"><regular-body>never closed</post>";
    Service().SetBlog(blog);
    const CliResult run = RunCli(
        {Service().Address(), "-o", folder.File("blog.xml"), "--retries", "1", "--retry-delay", "0", "-q"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("the post at offset 73 (id 299927)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("The service reported 200 posts; 199 are in the backup."), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("199 posts in backup."), std::string::npos) << run.out;
}

TEST(CliService, ASignInPageFromPageTwoOnEndsTheRunAndLeavesTheEarlierBackup) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    Blog blog;
    blog.posts = test::MakePosts(160, 800000);
    Service().SetBlog(blog);
    ASSERT_EQ(RunCli({Service().Address(), "-o", file, "-q"}).exitCode, 0);
    const std::string complete = test::ReadAll(file);

    Service().Http().SetHandler([](const test::HttpExchange& exchange) {
        if (exchange.body.find("start=0&") != std::string::npos) return Service().Answer(exchange);
        return ScriptedResponse::Ok("<!DOCTYPE html><html><head><title>Log in</title><body>Log in",
                                    "text/html");
    });
    Service().Http().ClearExchanges();
    const CliResult run =
        RunCli({Service().Address(), "-o", file, "--retries", "2", "--retry-delay", "0", "-q"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("The answer is not the blog's XML: it begins with <html>."), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Giving up after 2 retries."), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("smaller pieces"), std::string::npos) << run.err;
    EXPECT_EQ(Service().StartsRequested(), (std::vector<int>{0, 50, 50, 50}));
    EXPECT_EQ(test::ReadAll(file), complete);
}

}  // namespace
}  // namespace qv
