// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "EngineDoubles.h"
#include "FileSizeLimit.h"
#include "SharedService.h"
#include "TempFolder.h"
#include "modTumblrInteraction.h"

namespace qv {
namespace {

using test::Blog;
using test::IdsIn;
using test::MakePosts;
using test::ReadAll;
using test::RecordingHost;
using test::ScopedMessages;
using test::ScriptedResponse;
using test::Service;
using test::TempFolder;

const std::string kFixtures = QV_FIXTURES_DIR;

struct RunState : test::WindowRun {
    BackupResult result;
};

std::unique_ptr<RunState> Backup(const std::string& target, const std::string& previous = "", int prefetch = 0) {
    auto run = std::make_unique<RunState>();
    run->context.prefetch = prefetch;
    run->result = MakeBackupXML(target, previous, Service().Address(), "", "", "", run->context);
    return run;
}

// The "start" a request asks for.
int StartIn(const test::HttpExchange& exchange) {
    for (const auto& [name, value] : exchange.FormFields())
        if (name == "start") return std::stoi(value);
    return -1;
}

XmlDocument Loaded(const std::string& path) {
    XmlDocument document;
    EXPECT_TRUE(document.Load(path, 0)) << document.ParseError().Reason();
    return document;
}

Blog BlogWith(int posts, long long newestId = 900000) {
    Blog blog;
    blog.posts = MakePosts(posts, newestId, 7);
    return blog;
}

TEST(FullBackup, PagesThroughTheBlogAndSavesEveryPostNewestFirst) {
    TempFolder folder;
    Service().SetBlog(BlogWith(120));
    const auto run = Backup(folder.File("blog.xml"));

    ASSERT_TRUE(run->result.ok());
    EXPECT_EQ(run->result.PostsInBackup, 120);
    EXPECT_EQ(run->result.PostsAdded, 120);
    EXPECT_EQ(Service().StartsRequested(), (std::vector<int>{0, 50, 100}));
    EXPECT_EQ(run->result.Traffic.PieceCount, 3);
    EXPECT_EQ(run->host.eventRounds, 2);

    const XmlDocument saved = Loaded(folder.File("blog.xml"));
    const auto ids = IdsIn(saved);
    ASSERT_EQ(ids.size(), 120u);
    EXPECT_EQ(ids.front(), "900000");
    EXPECT_EQ(ids.back(), std::to_string(900000 - 119 * 7));
    EXPECT_EQ(saved.NodeText("/tumblr/posts/@start"), "0");
    EXPECT_EQ(saved.NodeText("/tumblr/posts/@total"), "120");
    EXPECT_EQ(saved.NodeText("/tumblr/tumblelog/@title"), "Test blog");

    EXPECT_TRUE(run->host.cancelDisabled);
    const std::vector<std::string> afterDownload(
        run->host.statuses.begin() + run->host.statusesBeforeCancelDisabled, run->host.statuses.end());
    EXPECT_EQ(afterDownload, (std::vector<std::string>{"Sorting posts in backup XML...\r\nStage 1 of 3",
                                                       "Sorting posts in backup XML...\r\nStage 2 of 3",
                                                       "Sorting posts in backup XML...\r\nStage 3 of 3",
                                                       "Fixing XML attributes...", "Saving backup XML...",
                                                       "All done! ^_^v"}));
}

TEST(FullBackup, ExactlyFiftyPostsTakeASecondRequestAndNoPostsTakeOne) {
    TempFolder folder;
    Service().SetBlog(BlogWith(50));
    const auto fifty = Backup(folder.File("fifty.xml"));
    ASSERT_TRUE(fifty->result.ok());
    EXPECT_EQ(Service().StartsRequested(), (std::vector<int>{0, 50}));
    EXPECT_EQ(fifty->result.Traffic.PieceCount, 2);
    EXPECT_EQ(fifty->result.PostsInBackup, 50);

    Service().SetBlog(BlogWith(0));
    Service().Http().ClearExchanges();
    const auto none = Backup(folder.File("none.xml"));
    ASSERT_TRUE(none->result.ok());
    EXPECT_EQ(Service().StartsRequested(), std::vector<int>{0});
    EXPECT_EQ(none->result.PostsInBackup, 0);
    EXPECT_EQ(Loaded(folder.File("none.xml")).NodeText("/tumblr/posts/@total"), "0");
}

TEST(FullBackup, RealSamplePagesBecomeOneBackupOfAllTheirPosts) {
    TempFolder folder;
    Service().ServeFixedPages({{0, ReadAll(kFixtures + "/10-page1-start0-num50-total120.xml")},
                               {50, ReadAll(kFixtures + "/11-page2-start50-num50-total120.xml")},
                               {100, ReadAll(kFixtures + "/12-page3-start100-last-20-posts.xml")}});
    const auto run = Backup(folder.File("sample.xml"));
    ASSERT_TRUE(run->result.ok());
    EXPECT_EQ(run->result.PostsInBackup, 120);

    const XmlDocument saved = Loaded(folder.File("sample.xml"));
    EXPECT_EQ(saved.NodeText("/tumblr/tumblelog/@name"), "jeffkreeftmeijer");
    EXPECT_EQ(saved.DocumentNode().SelectNodes("/tumblr/tumblelog/feeds/feed").Count(), 1);
    const auto ids = IdsIn(saved);
    for (size_t i = 1; i < ids.size(); ++i) ASSERT_GT(std::stoll(ids[i - 1]), std::stoll(ids[i]));
}

TEST(FullBackup, APostThatMovesToTheNextPageIsSavedOnce) {
    TempFolder folder;
    Blog blog = BlogWith(80);
    Service().SetBlog(blog);
    // While the first page is read a new post appears: the second page starts
    // with the last post of the first.
    Service().Http().Enqueue(ScriptedResponse::Ok(Service().Page(0, 50)));
    blog.posts.insert(blog.posts.begin(), test::MakePost(999999));
    Service().SetBlog(blog);
    const auto run = Backup(folder.File("blog.xml"));
    ASSERT_TRUE(run->result.ok());
    EXPECT_EQ(run->result.PostsInBackup, 80);
    EXPECT_EQ(IdsIn(Loaded(folder.File("blog.xml"))).size(), 80u);
}

TEST(FullBackup, PagesAskedForAheadAreMergedInTurnWhateverOrderTheyComeIn) {
    TempFolder folder;
    Service().SetBlog(BlogWith(523));  // eleven pages, the last of 23 posts
    Service().Http().SetKeepAlive(true);
    ASSERT_TRUE(Backup(folder.File("sequential.xml"))->result.ok());
    Service().Http().ClearExchanges();

    constexpr int kDepth = 3;
    constexpr int kLastStart = 500;
    std::vector<int> expectedStarts = {0, 50, 100, 100, 100};
    for (int start = 150; start <= kLastStart + kDepth * 50; start += 50) expectedStarts.push_back(start);
    auto page100Asked = std::make_shared<std::atomic<int>>(0);
    Service().Http().SetHandler([=](const test::HttpExchange& exchange) {
        const int start = StartIn(exchange);
        // Page 100 fails when asked for ahead and again when due.
        if (start == 100 && ++*page100Asked <= 2) return ScriptedResponse::Status(500, "hiccup");
        // The blog's last page answers once every request of the run is in,
        // those past the end too.
        if (start == kLastStart)
            Service().Http().WaitForExchanges(expectedStarts.size(), std::chrono::seconds(10));
        // Of three pages asked for one after the other, the last answers first.
        ScriptedResponse answer = Service().Answer(exchange);
        answer.delayBeforeHeadersMs = (3 - start / 50 % 3) % 3 * 100;
        return answer;
    });
    ScopedMessages messages;
    messages->QueueAnswer(mrRetry);
    const auto run = Backup(folder.File("ahead.xml"), "", kDepth);

    ASSERT_TRUE(run->result.ok());
    EXPECT_EQ(ReadAll(folder.File("ahead.xml")), ReadAll(folder.File("sequential.xml")));
    // The failed page is asked for the usual way, with its box.
    ASSERT_EQ(messages->Shown().size(), 1u);
    EXPECT_TRUE(messages->Texts()[0].starts_with(
        "Can't download blog's XML file.\r\n\r\nThe server answered HTTP 500"))
        << messages->Texts()[0];
    std::vector<int> starts = Service().StartsRequested();
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts, expectedStarts)
        << "every page once but the failed one, and no more than three past the end";
}

TEST(FullBackup, AServiceRepeatingTheSamePageEndsAfterThreePagesWithNothingNew) {
    TempFolder folder;
    Service().SetBlog(BlogWith(500));
    Service().RepeatPagesFrom(100);
    const auto run = Backup(folder.File("blog.xml"));
    ASSERT_TRUE(run->result.ok());
    EXPECT_EQ(Service().StartsRequested(), (std::vector<int>{0, 50, 100, 150, 200, 250}));
    EXPECT_EQ(run->result.PostsInBackup, 150);
}

TEST(FullBackup, AReceivedPageThatDoesNotParseCanBeRetriedOrEndsTheRun) {
    TempFolder folder;
    Service().SetBlog(BlogWith(60));
    {
        ScopedMessages messages;
        messages->QueueAnswer(mrRetry);
        Service().Http().Enqueue(ScriptedResponse::Ok(Service().Page(0, 50)));
        Service().Http().Enqueue(ScriptedResponse::Ok("<tumblr version=\"1.0\"><posts><post id=\"1\">"));
        const auto run = Backup(folder.File("retried.xml"));
        ASSERT_TRUE(run->result.ok());
        EXPECT_EQ(Service().StartsRequested(), (std::vector<int>{0, 50, 50}));
        EXPECT_EQ(run->result.Traffic.PieceCount, 2) << "a retry is the same piece";
        ASSERT_EQ(messages->Shown().size(), 1u);
        EXPECT_TRUE(messages->Shown()[0].Text.starts_with("Can't load received XML data.\r\n\r\n"))
            << messages->Shown()[0].Text;
        EXPECT_EQ(messages->Shown()[0].Style, mbRetryCancel + mbCritical);
    }
    {
        ScopedMessages messages;
        Service().Http().ClearExchanges();
        Service().Http().Enqueue(ScriptedResponse::Ok(""));  // an empty answer is no page either
        const auto run = Backup(folder.File("cancelled.xml"));
        EXPECT_FALSE(run->result.ok());
        EXPECT_EQ(messages->Texts(),
                  std::vector<std::string>{
                      "Can't load received XML data.\r\n\r\nNo document element found at line 1, column 1"});
        EXPECT_FALSE(std::filesystem::exists(folder.File("cancelled.xml")));
        EXPECT_FALSE(run->host.cancelDisabled);
    }
}

TEST(IncrementalBackup, AddsOnlyNewPostsStopsAtTheFirstKnownOneAndTakesTheNewDescription) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    Blog blog = BlogWith(120);
    Service().SetBlog(blog);
    ASSERT_TRUE(Backup(file)->result.ok());
    Service().Http().ClearExchanges();

    // Three new posts, a new title, and an old post edited on the service.
    blog.title = "Renamed blog";
    blog.posts[0] = test::MakePost(900000, 900);
    for (long long id : {900003, 900002, 900001}) blog.posts.insert(blog.posts.begin(), test::MakePost(id));
    Service().SetBlog(blog);
    const auto run = Backup(file, file);

    ASSERT_TRUE(run->result.ok());
    EXPECT_EQ(Service().StartsRequested(), std::vector<int>{0});
    EXPECT_EQ(run->result.PostsAdded, 3);
    EXPECT_EQ(run->result.PostsInBackup, 123);
    const XmlDocument saved = Loaded(file);
    const auto ids = IdsIn(saved);
    EXPECT_EQ(std::vector<std::string>(ids.begin(), ids.begin() + 4),
              (std::vector<std::string>{"900003", "900002", "900001", "900000"}));
    EXPECT_EQ(saved.NodeText("/tumblr/posts/@total"), "123");
    EXPECT_EQ(saved.NodeText("/tumblr/tumblelog/@title"), "Renamed blog");
    EXPECT_EQ(saved.DocumentNode().SelectNodes("/tumblr/tumblelog").Count(), 1);
    EXPECT_EQ(saved.RootElement().ChildElements()[0].Name(), "tumblelog");
    EXPECT_LT(saved.NodeText("/tumblr/posts/post[@id='900000']/regular-body").size(), 800u)
        << "the saved copy wins";
}

TEST(IncrementalBackup, NothingNewAddsNothing) {
    TempFolder folder;
    Service().SetBlog(BlogWith(30));
    ASSERT_TRUE(Backup(folder.File("a.xml"))->result.ok());
    const auto run = Backup(folder.File("b.xml"), folder.File("a.xml"));
    ASSERT_TRUE(run->result.ok());
    EXPECT_EQ(run->result.PostsAdded, 0);
    EXPECT_EQ(run->result.PostsInBackup, 30);
}

TEST(IncrementalBackup, ExtendingTheBackupOfAnotherBlogFailsNamingBothAndWritesNothing) {
    TempFolder folder;
    const std::string file = folder.File("myblog.xml");
    Blog mine = BlogWith(30);
    mine.name = "myblog";
    Service().SetBlog(mine);
    ASSERT_TRUE(Backup(file)->result.ok());
    const std::string before = ReadAll(file);

    Blog other = BlogWith(30, 700000);
    other.name = "otherblog";
    Service().SetBlog(other);
    ScopedMessages messages;
    const auto run = Backup(file, file);

    EXPECT_FALSE(run->result.ok());
    ASSERT_EQ(messages->Shown().size(), 1u);
    EXPECT_EQ(messages->Shown()[0].Style, mbCritical);
    const std::string& text = messages->Shown()[0].Text;
    EXPECT_TRUE(text.starts_with(file + "\r\n\r\n")) << text;
    EXPECT_NE(text.find("\"myblog\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"otherblog\""), std::string::npos) << text;
    EXPECT_EQ(ReadAll(file), before);
}

TEST(IncrementalBackup, AnUnusablePreviousBackupIsReportedBeforeAnyRequest) {
    TempFolder folder;
    test::WriteAll(folder.File("newer.xml"), "<tumblr version=\"2.0\"><posts/></tumblr>");
    test::WriteAll(folder.File("broken.xml"), "<tumblr version=\"1.0\"><posts>");
    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {folder.File("missing.xml"),
         folder.File("missing.xml") +
             "\r\n\r\nCan't load previous backup XML file.\r\n\r\nNo such file or directory"},
        {folder.File("broken.xml"),
         folder.File("broken.xml") + "\r\n\r\nCan't load previous backup XML file.\r\n\r\nStart-end tags "
                                     "mismatch at line 1, column 29"},
        {folder.File("newer.xml"),
         folder.File("newer.xml") + "\r\n\r\nThis XML doesnt appear to be Tumblr XML."},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.file);
        Service().Http().ClearExchanges();
        ScopedMessages messages;
        const auto run = Backup(folder.File("out.xml"), each.file);
        EXPECT_FALSE(run->result.ok());
        EXPECT_EQ(messages->Texts(), std::vector<std::string>{each.message});
        EXPECT_TRUE(Service().ApiRequests().empty());
        EXPECT_FALSE(std::filesystem::exists(folder.File("out.xml")));
    }
}

TEST(Saving, AFailedSaveOverThePreviousBackupLeavesItByteForByte) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    Blog blog = BlogWith(40);
    Service().SetBlog(blog);
    ASSERT_TRUE(Backup(file)->result.ok());
    const std::string before = ReadAll(file);
    blog.posts = MakePosts(400, 990000, 1, 3000);  // a much larger blog than the file limit below allows
    Service().SetBlog(blog);

    const int status = test::ExitStatusUnderFileSizeLimit(before.size() + 4096, [&] {
        auto messages = std::make_shared<test::ScriptedMessages>();
        SharedMessageUtility().SetPresenter(messages);
        const auto run = Backup(file, file);
        const bool reported = messages->Texts() == std::vector<std::string>{"Can't save backup XML file."};
        return run->result.ok() ? 1 : reported ? 0 : 2;
    });
    EXPECT_EQ(status, 0) << "1: the save claimed success, 2: the message was not shown";
    EXPECT_EQ(ReadAll(file), before);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"blog.xml"});
}

TEST(Cancelling, StopsTheDownloadWithoutAMessageAndWritesNothing) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    test::WriteAll(file, "old content");
    Service().SetBlog(BlogWith(200));
    ScriptedResponse slow = ScriptedResponse::Ok(Service().Page(50, 50));
    slow.bodyChunkBytes = 1000;
    slow.chunkDelayMs = 20;
    Service().Http().Enqueue({ScriptedResponse::Ok(Service().Page(0, 50)), slow});

    ScopedMessages messages;
    auto run = std::make_unique<RunState>();
    run->host.cancelWhen = [&] {
        return Service().ApiRequests().size() >= 2 && run->host.receivedBlocks >= 2;
    };
    run->result = MakeBackupXML(file, "", Service().Address(), "", "", "", run->context);
    EXPECT_FALSE(run->result.ok());
    EXPECT_TRUE(messages->Shown().empty());
    EXPECT_FALSE(run->host.cancelDisabled);
    EXPECT_EQ(ReadAll(file), "old content");
    EXPECT_EQ(Service().ApiRequests().size(), 2u);
}

}  // namespace
}  // namespace qv
