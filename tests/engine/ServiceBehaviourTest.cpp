// The service as it really behaves: a pinned old post, redirects as HTTP
// defines them, walls, and a page made unreadable by one post.
#include <gtest/gtest.h>

#include "EngineDoubles.h"
#include "SharedService.h"
#include "TempFolder.h"
#include "modTumblrInteraction.h"

namespace qv {
namespace {

using test::Blog;
using test::CountingProgress;
using test::IdsIn;
using test::LoopbackServer;
using test::MakePost;
using test::MakePosts;
using test::RecordingHost;
using test::ScopedMessages;
using test::ScriptedResponse;
using test::Service;
using test::TempFolder;

BackupResult Backup(const std::string& target, const std::string& previous = "", const RunExtras& extras = {},
                    RecordingHost* host = nullptr) {
    CountingProgress progress;
    RecordingHost own;
    return MakeBackupXML(target, previous, &progress, Service().Address(), "", "", "", host ? *host : own,
                         extras);
}

XmlDocument Loaded(const std::string& path) {
    XmlDocument document;
    EXPECT_TRUE(document.Load(path, 0)) << document.ParseError().Reason();
    return document;
}

TEST(ServiceBehaviour, APinnedOldPostShownFirstDoesNotEndAnIncrementalRun) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    Blog blog;
    blog.posts = MakePosts(80, 100000, 1);
    Service().SetBlog(blog);
    ASSERT_TRUE(Backup(file).Success);

    // Sixty new posts; the service shows an old pinned post first on page one.
    const std::string pinned = blog.posts[40];
    std::vector<std::string> posts = MakePosts(60, 100060, 1);
    posts.insert(posts.end(), blog.posts.begin(), blog.posts.end());
    posts.insert(posts.begin(), pinned);
    blog.posts = posts;
    Service().SetBlog(blog);
    Service().Http().ClearExchanges();

    const BackupResult run = Backup(file, file);
    ASSERT_TRUE(run.Success);
    EXPECT_EQ(run.PostsAdded, 60);
    EXPECT_EQ(run.PostsInBackup, 140);
    EXPECT_EQ(Service().StartsRequested(), (std::vector<int>{0, 50}));
    EXPECT_EQ(IdsIn(Loaded(file)).front(), "100060");
}

TEST(ServiceBehaviour, RedirectsAreFollowedWhateverTheHeadersCaseAndRelativeOnesResolveAgainstTheRequest) {
    LoopbackServer moved(
        [](const test::HttpExchange&) { return ScriptedResponse::Ok(Service().Page(0, 50)); });
    auto redirect = [](const std::string& name, const std::string& value) {
        ScriptedResponse answer = ScriptedResponse::Status(301);
        answer.headers = {{name, value}};
        return answer;
    };
    // Lower case on another server; then a path of the same server; then a
    // reference relative to the path it came from.
    moved.Enqueue(redirect("location", "/blogs/x/api/read"));
    Service().Http().Enqueue(redirect("lOcAtIoN", moved.Url("/api/read")));
    ScopedMessages messages;
    CountingProgress progress;
    ASSERT_TRUE(DownloadPage(0, 50, &progress, Service().Address(), "", "", ""));
    moved.Enqueue(redirect("Location", "../v2/api/read?again=1"));
    ASSERT_TRUE(DownloadPage(0, 50, &progress, moved.Address(), "", "", ""));
    EXPECT_TRUE(messages->Shown().empty()) << messages->Texts()[0];

    std::vector<std::string> targets;
    for (const auto& exchange : moved.Exchanges()) targets.push_back(exchange.method + " " + exchange.target);
    EXPECT_EQ(targets, (std::vector<std::string>{"POST /api/read", "POST /blogs/x/api/read", "POST /api/read",
                                                 "POST /v2/api/read?again=1"}));
}

TEST(ServiceBehaviour, WallsAreNamedWithWhereTheServiceSentTheRequestAndNotWorthARetry) {
    struct Wall {
        ScriptedResponse answer;
        std::string sentence;
    };
    const std::string login = "https://www.example.com/login_required/myblog";
    const std::vector<Wall> walls = {
        {ScriptedResponse::Redirect(301, login),
         "its login page (" + login + "): the blog can only be read when"},
        {ScriptedResponse::Redirect(302, "https://www.example.com/dashboard/blog/myblog"), "its login page"},
        {ScriptedResponse::Redirect(303, "/safe-mode?url=x"), "its safe-mode page (http://127.0.0.1:"},
        {ScriptedResponse::Redirect(307, "https://www.example.com/privacy/consent?redirect=x"),
         "its consent page"},
        {ScriptedResponse::Redirect(302, "https://myblog.example.com/blog_auth/x"), "blog's password"},
        {ScriptedResponse::Status(401), "is protected by a password"},
        {ScriptedResponse::Status(404), "it does not exist or was deleted"},
    };
    for (const Wall& wall : walls) {
        SCOPED_TRACE(wall.sentence);
        Service().Http().ClearExchanges();
        Service().Http().Enqueue(wall.answer);
        ScopedMessages messages;
        CountingProgress progress;
        EXPECT_FALSE(DownloadPage(0, 50, &progress, Service().Address(), "", "", ""));
        ASSERT_EQ(messages->Shown().size(), 1u);
        const MessageBoxRequest& box = messages->Shown()[0];
        EXPECT_TRUE(box.Text.starts_with("Can't download blog's XML file.\r\n\r\nThe server answered HTTP " +
                                         std::to_string(wall.answer.status)))
            << box.Text;
        EXPECT_NE(box.Text.find(wall.sentence), std::string::npos) << box.Text;
        EXPECT_EQ(box.Style, mbRetryCancel + mbCritical);
        EXPECT_TRUE(box.RetryWontHelp);
        EXPECT_EQ(Service().ApiRequests().size(), 1u) << "a wall is not followed";
    }
    // A redirect to anywhere else is followed as before.
    Service().Http().Enqueue(ScriptedResponse::Redirect(301, Service().Http().Url("/api/read")));
    ScopedMessages messages;
    CountingProgress progress;
    EXPECT_TRUE(DownloadPage(0, 50, &progress, Service().Address(), "", "", ""));
}

TEST(ServiceBehaviour, APageOneBrokenPostMakesUnreadableIsFetchedInPiecesWhenAskedTo) {
    TempFolder folder;
    Blog blog;
    blog.posts = MakePosts(200, 300000);
    blog.posts[73] = "<post id=\"299927\" type=\"regular\"><regular-body>never closed</post>";
    Service().SetBlog(blog);

    // The window's way: the page fails and so does the run.
    {
        ScopedMessages messages;
        EXPECT_FALSE(Backup(folder.File("window.xml")).Success);
        EXPECT_EQ(messages->Shown().size(), 1u);
    }
    // The command line's way: every other post is kept and the lost one named.
    ScopedMessages messages;
    RecordingHost host;
    Service().Http().ClearExchanges();
    const BackupResult run =
        Backup(folder.File("cli.xml"), "", RunExtras{.SplitUnparseablePages = true}, &host);
    ASSERT_TRUE(run.Success);
    EXPECT_EQ(run.PostsInBackup, 199);
    EXPECT_EQ(CompletenessNote(run), "The service reported 200 posts; 199 are in the backup.");
    ASSERT_EQ(host.warnings.size(), 1u);
    EXPECT_EQ(host.warnings[0],
              "Never in a readable answer, and so not in the backup: the post at offset 73 (id 299927).");
    const auto ids = IdsIn(Loaded(folder.File("cli.xml")));
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "299927"), 0);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "299926"), 1);
    // The broken page's halves, then halves of the broken half, down to the post.
    const auto starts = Service().StartsRequested();
    EXPECT_EQ(std::count(starts.begin(), starts.end(), 150), 1) << "the pages after it are asked for once";
    EXPECT_LE(starts.size(), 20u);
}

}  // namespace
}  // namespace qv
