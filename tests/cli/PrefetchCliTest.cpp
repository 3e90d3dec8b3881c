// SPDX-License-Identifier: GPL-3.0-or-later
// Pages asked for ahead of time change nothing but the time a run takes.
#include <gtest/gtest.h>

#include <atomic>

#include "CliTestSupport.h"
#include "TempFolder.h"

namespace qv {
namespace {

using test::Blog;
using test::CliResult;
using test::ReadAll;
using test::RunCli;
using test::ScriptedResponse;
using test::Service;
using test::TempFolder;

// The saved file and the exit status of a full run with `prefetch` pages ahead.
std::pair<int, std::string> FullRun(const TempFolder& folder, int prefetch,
                                    std::vector<std::string> more = {}) {
    const std::string file = folder.File("prefetch" + std::to_string(prefetch) + ".xml");
    std::vector<std::string> args = {
        Service().Address(), "-o", file, "--prefetch", std::to_string(prefetch), "-q", "--retry-delay", "0"};
    args.insert(args.end(), more.begin(), more.end());
    const CliResult run = RunCli(args);
    return {run.exitCode, ReadAll(file)};
}

TEST(CliPrefetch, TheSavedFileIsByteForByteTheSequentialOne) {
    TempFolder folder;
    Blog blog;
    blog.posts = test::MakePosts(523, 600000, 3);
    Service().SetBlog(blog);
    Service().Http().SetKeepAlive(true);
    const auto sequential = FullRun(folder, 0);
    ASSERT_EQ(sequential.first, 0);
    const size_t sequentialRequests = Service().ApiRequests().size();
    Service().Http().ClearExchanges();
    const auto ahead = FullRun(folder, 3);
    ASSERT_EQ(ahead.first, 0);
    EXPECT_EQ(ahead.second, sequential.second);
    EXPECT_LE(Service().ApiRequests().size(), sequentialRequests + 3)
        << "at most three requests past the end";

    // A service stuck on one page: the repeated-page stop ends both alike.
    Service().RepeatPagesFrom(150);
    EXPECT_EQ(FullRun(folder, 3), FullRun(folder, 0));
}

TEST(CliPrefetch, AFailureOnPageThreeEndsBothRunsAlike) {
    TempFolder folder;
    Blog blog;
    blog.posts = test::MakePosts(400, 600000, 3);
    Service().SetBlog(blog);
    Service().Http().SetKeepAlive(true);
    // Page three fails once, whether asked for ahead or when due.
    for (const int prefetch : {0, 3}) {
        auto failed = std::make_shared<std::atomic<bool>>(false);
        Service().Http().SetHandler([failed](const test::HttpExchange& exchange) {
            if (exchange.body.find("start=100&") != std::string::npos && !failed->exchange(true))
                return ScriptedResponse::Status(500, "hiccup");
            return Service().Answer(exchange);
        });
        EXPECT_EQ(FullRun(folder, prefetch).first, 0);
    }
    EXPECT_EQ(ReadAll(folder.File("prefetch3.xml")), ReadAll(folder.File("prefetch0.xml")));

    // For good: neither run writes a file.
    Service().Http().SetHandler([](const test::HttpExchange& exchange) {
        if (exchange.body.find("start=100&") != std::string::npos)
            return ScriptedResponse::Status(500, "down");
        return Service().Answer(exchange);
    });
    TempFolder failing;
    EXPECT_EQ(FullRun(failing, 3, {"--retries", "1"}), (std::pair<int, std::string>{1, ""}));
    EXPECT_EQ(FullRun(failing, 0, {"--retries", "1"}), (std::pair<int, std::string>{1, ""}));
    EXPECT_FALSE(std::filesystem::exists(failing.File("prefetch0.xml")));
    EXPECT_FALSE(std::filesystem::exists(failing.File("prefetch3.xml")));
}

}  // namespace
}  // namespace qv
