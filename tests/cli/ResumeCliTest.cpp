// SPDX-License-Identifier: GPL-3.0-or-later
// An interrupted full backup goes on where it stopped: the real program,
// killed and started again, against the loopback read-API server.
#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "CliTestSupport.h"
#include "TempFolder.h"

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

Blog BlogWith(int posts) {
    Blog blog;
    blog.posts = test::MakePosts(posts, 800000, 7);
    return blog;
}

// The page files of a journal, by start.
std::vector<int> JournalPages(const std::string& folder) {
    std::vector<int> starts;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".xml") && name.front() != '.') starts.push_back(std::stoi(name));
    }
    std::sort(starts.begin(), starts.end());
    return starts;
}

// Waits until a journal in `folder` whose name `isJournal` takes holds at
// least `pages` pages on disk: the journal writes on a thread of its own, so
// the exchanges a run made say nothing of what it has kept.
bool WaitForKeptPages(const TempFolder& folder, const std::function<bool(const std::string&)>& isJournal,
                      size_t pages, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const std::string& name : folder.Entries())
            if (isJournal(name) && JournalPages(folder.File(name)).size() >= pages) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

std::vector<int> StartsFrom(int first, int last) {
    std::vector<int> starts;
    for (int start = first; start <= last; start += 50) starts.push_back(start);
    return starts;
}

TEST(CliResume, AKilledRunIsContinuedWithOnlyThePagesItLackedAndTheSamePosts) {
    TempFolder folder;
    Service().SetBlog(BlogWith(400));
    ASSERT_EQ(RunCli({Service().Address(), "-o", folder.File("whole.xml"), "-q"}).exitCode, 0);

    Service().Http().SetServiceTime(150ms);
    Service().Http().ClearExchanges();
    const std::string file = folder.File("blog.xml");
    {
        CliProcess first({Service().Address(), "-o", file, "-q"});
        ASSERT_TRUE(WaitForKeptPages(folder, [](const std::string& name) { return name == "blog.xml.partial"; }, 3,
                                     60s));
        first.Signal(SIGKILL);
        first.Finish();
    }
    const std::vector<int> kept = JournalPages(file + ".partial");
    ASSERT_GE(kept.size(), 3u);
    EXPECT_EQ(kept, StartsFrom(0, static_cast<int>(kept.size() - 1) * 50));
    EXPECT_FALSE(std::filesystem::exists(file));

    Service().Http().SetServiceTime(0ms);
    Service().Http().ClearExchanges();
    const CliResult second = RunCli({Service().Address(), "-o", file, "-q"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.err.find("Continuing an interrupted backup: " + std::to_string(kept.size()) +
                              " pages already received."),
              std::string::npos)
        << second.err;
    // The last kept page once more, for the overlap, then what was missing.
    EXPECT_EQ(Service().StartsRequested(), StartsFrom(static_cast<int>(kept.size() - 1) * 50, 400));
    EXPECT_EQ(ReadAll(file), ReadAll(folder.File("whole.xml")));
    EXPECT_FALSE(std::filesystem::exists(file + ".partial")) << "the journal goes once the backup is saved";
    EXPECT_FALSE(std::filesystem::exists(file + ".lock"));
}

TEST(CliResume, AnUnreadableKeptPageIsAskedForAgainAndTheJournalIsPrivateWithAnAccount) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    Service().SetBlog(BlogWith(400));
    // Page 250 fails for good: the run ends with five pages kept.
    Service().Http().SetHandler([](const test::HttpExchange& exchange) {
        if (exchange.body.find("start=250&") != std::string::npos)
            return ScriptedResponse::Status(500, "down");
        return Service().Answer(exchange);
    });
    const std::map<std::string, std::string> account = {{"QUILLVAULT_PASSWORD", "secret"}};
    const std::vector<std::string> args = {Service().Address(), "-o",        file, "-e",
                                           "me@example.org",    "--retries", "0",  "-q"};
    const CliResult failed = RunCli(args, account);
    ASSERT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("the next run goes on from there"), std::string::npos) << failed.err;
    ASSERT_EQ(JournalPages(file + ".partial"), StartsFrom(0, 200));
    struct stat info {};
    ASSERT_EQ(stat((file + ".partial/100.xml").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A power cut took the end of page 100.
    const std::string page = ReadAll(file + ".partial/100.xml");
    test::WriteAll(file + ".partial/100.xml", page.substr(0, page.size() / 2));
    Service().Http().SetHandler(Service().Handler());
    Service().Http().ClearExchanges();
    const CliResult second = RunCli(args, account);
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.err.find("Continuing an interrupted backup: 2 pages already received."),
              std::string::npos)
        << second.err;
    EXPECT_EQ(Service().StartsRequested(), StartsFrom(50, 400));
}

TEST(CliResume, AKeptPageThatLostABrokenPostIsNoLastPage) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    Blog blog = BlogWith(200);
    blog.posts[73] = "<post id=\"799489\" type=\"regular\"><regular-body>never closed</post>";
    Service().SetBlog(blog);
    Service().Http().SetHandler([](const test::HttpExchange& exchange) {
        if (exchange.body.find("start=150&") != std::string::npos)
            return ScriptedResponse::Status(500, "down");
        return Service().Answer(exchange);
    });
    const std::vector<std::string> args = {Service().Address(), "-o", file, "--retries", "0", "-q"};
    ASSERT_EQ(RunCli(args).exitCode, 1);
    ASSERT_EQ(JournalPages(file + ".partial"), StartsFrom(0, 100));

    // Page 50 holds 49 posts, yet the run went on past it.
    Service().Http().SetHandler(Service().Handler());
    Service().Http().ClearExchanges();
    const CliResult second = RunCli(args);
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.err.find("Continuing an interrupted backup: 3 pages already received."),
              std::string::npos)
        << second.err;
    EXPECT_EQ(Service().StartsRequested(), StartsFrom(100, 200));
    EXPECT_EQ(Occurrences(ReadAll(file), "<post "), 199u);
}

TEST(CliResume, PagesReadWithAnAccountKeepTheBackupPrivateWhenARunWithoutOneContinues) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    Service().SetBlog(BlogWith(200));
    Service().Http().SetHandler([](const test::HttpExchange& exchange) {
        if (exchange.body.find("start=100&") != std::string::npos)
            return ScriptedResponse::Status(500, "down");
        return Service().Answer(exchange);
    });
    const CliResult failed =
        RunCli({Service().Address(), "-o", file, "-e", "me@example.org", "--retries", "0", "-q"},
               {{"QUILLVAULT_PASSWORD", "secret"}});
    ASSERT_EQ(failed.exitCode, 1) << failed.err;
    ASSERT_EQ(JournalPages(file + ".partial"), StartsFrom(0, 50));

    Service().Http().SetHandler(Service().Handler());
    const CliResult second = RunCli({Service().Address(), "-o", file, "-q"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.err.find("Continuing an interrupted backup: 2 pages"), std::string::npos) << second.err;
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the first page may hold private posts";
}

TEST(CliResume, PostsPublishedSinceTheInterruptionDoNotPassForARepeatingService) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    Service().SetBlog(BlogWith(400));
    Service().Http().SetHandler([](const test::HttpExchange& exchange) {
        if (exchange.body.find("start=200&") != std::string::npos)
            return ScriptedResponse::Status(500, "down");
        return Service().Answer(exchange);
    });
    const std::vector<std::string> args = {Service().Address(), "-o", file, "--retries", "0", "-q"};
    ASSERT_EQ(RunCli(args).exitCode, 1);
    ASSERT_EQ(JournalPages(file + ".partial"), StartsFrom(0, 150));

    // A busy day: four pages of new posts push every old post four pages on,
    // so the pages after the overlap bring posts the journal already gave.
    Blog grown = BlogWith(400);
    std::vector<std::string> posts = test::MakePosts(200, 900000);
    posts.insert(posts.end(), grown.posts.begin(), grown.posts.end());
    grown.posts = posts;
    Service().SetBlog(grown);
    Service().Http().SetHandler(Service().Handler());
    const CliResult second = RunCli(args);
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.err.find("Paging stopped early"), std::string::npos) << second.err;
    const std::string saved = ReadAll(file);
    for (const std::string& post : BlogWith(400).posts) {
        const std::string id = post.substr(0, post.find('"', post.find("id=\"") + 4) + 1);
        ASSERT_NE(saved.find(id), std::string::npos) << id << " is missing";
    }
}

TEST(CliResume, AJournalOfAnotherBlogIsSetAsideAndRestartDiscardsOne) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    std::filesystem::create_directory(file + ".partial");
    test::WriteAll(file + ".partial/journal.json",
                   R"({"format": 1, "blog": "other.example", "posts_per_page": 50, "total": 10})");
    test::WriteAll(file + ".partial/0.xml", "<tumblr version=\"1.0\"><posts total=\"10\"/></tumblr>");
    Service().SetBlog(BlogWith(60));
    const CliResult run = RunCli({Service().Address(), "-o", file, "-q"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("was set aside as " + file +
                           ".partial.set-aside: it belongs to another blog, other.example"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(ReadAll(file + ".partial.set-aside/0.xml"),
              "<tumblr version=\"1.0\"><posts total=\"10\"/></tumblr>");
    EXPECT_EQ(Service().StartsRequested(), (std::vector<int>{0, 50}));

    // --restart throws a fitting journal away and starts at the first page.
    std::filesystem::create_directory(file + ".partial");
    test::WriteAll(file + ".partial/journal.json", R"({"format": 1, "blog": ")" + Service().Address() +
                                                       R"(", "posts_per_page": 50, "total": 60})");
    test::WriteAll(file + ".partial/0.xml", Service().Page(0, 50));
    Service().Http().ClearExchanges();
    ASSERT_EQ(RunCli({Service().Address(), "-o", file, "-q", "--restart"}).exitCode, 0);
    EXPECT_EQ(Service().StartsRequested(), (std::vector<int>{0, 50}));
}

TEST(CliResume, ASecondRunOnTheSameTargetRefusesWhileTheFirstLives) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    Service().SetBlog(BlogWith(400));
    Service().Http().SetServiceTime(300ms);
    CliProcess first({Service().Address(), "-o", file, "-q"});
    ASSERT_TRUE(Service().Http().WaitForExchanges(1, 60s));
    const CliResult second = RunCli({Service().Address(), "-o", file, "-q"});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find("Another run (process "), std::string::npos) << second.err;
    first.Signal(SIGKILL);
    first.Finish();

    // The lock of the killed run no longer holds anyone back.
    ASSERT_TRUE(std::filesystem::exists(file + ".lock"));
    Service().Http().SetServiceTime(0ms);
    EXPECT_EQ(RunCli({Service().Address(), "-o", file, "-q"}).exitCode, 0);
}

TEST(CliResume, ADatedRunTakesOverTheJournalOfTheInterruptedDatedRunOfItsBlog) {
    TempFolder folder;
    Service().SetBlog(BlogWith(300));
    ASSERT_EQ(RunCli({Service().Address(), "-o", folder.File("whole.xml"), "-q"}).exitCode, 0);
    // Another blog's journal in the same folder is none of this run's business.
    const std::string otherJournal = folder.File("other.example 2026-01-02 03-04-05.xml.partial");
    std::filesystem::create_directory(otherJournal);

    Service().Http().SetServiceTime(150ms);
    Service().Http().ClearExchanges();
    {
        CliProcess first({Service().Address(), "-o", folder.Path().string(), "-d", "-q"});
        const std::string blog = Service().Address() + " ";
        ASSERT_TRUE(WaitForKeptPages(
            folder, [&](const std::string& name) { return name.starts_with(blog) && name.ends_with(".partial"); }, 2,
            60s));
        first.Signal(SIGKILL);
        first.Finish();
    }
    std::vector<std::string> journals;
    for (const std::string& name : folder.Entries())
        if (name.starts_with(Service().Address() + " ") && name.ends_with(".xml.partial"))
            journals.push_back(name);
    ASSERT_EQ(journals.size(), 1u);
    const size_t kept = JournalPages(folder.File(journals[0])).size();
    ASSERT_GE(kept, 2u);

    Service().Http().SetServiceTime(0ms);
    Service().Http().ClearExchanges();
    const CliResult second = RunCli({Service().Address(), "-o", folder.Path().string(), "-d", "-q"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.err.find("Continuing an interrupted backup: " + std::to_string(kept) + " pages"),
              std::string::npos)
        << second.err;
    EXPECT_EQ(Service().StartsRequested(), StartsFrom(static_cast<int>(kept - 1) * 50, 300));
    std::vector<std::string> saved;
    for (const std::string& name : folder.Entries())
        if (name.starts_with(Service().Address() + " ")) saved.push_back(name);
    ASSERT_EQ(saved.size(), 1u) << "the journal went with the save, and so did the locks";
    EXPECT_EQ(ReadAll(folder.File(saved[0])), ReadAll(folder.File("whole.xml")));
    EXPECT_TRUE(std::filesystem::exists(otherJournal));
}

}  // namespace
}  // namespace qv
