// SPDX-License-Identifier: GPL-3.0-or-later
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
using test::IdsIn;
using test::LoopbackServer;
using test::MakePost;
using test::MakePosts;
using test::RecordingHost;
using test::ScopedMessages;
using test::ScriptedResponse;
using test::Service;
using test::TempFolder;

// Answers as the window does, but asks for a page a post broke in pieces.
struct InPieces {
    test::WatchedBoxes boxes;
    InPieces() { boxes.piecesWhenOffered = true; }
};

BackupResult Backup(const std::string& target, const std::string& previous = "", InPieces* pieces = nullptr,
                    RecordingHost* host = nullptr) {
    test::WatchedBoxes boxes;
    RecordingHost own;
    RunContext context(pieces ? pieces->boxes : boxes, host ? *host : own);
    return MakeBackupXML(target, previous, Service().Address(), "", "", "", context);
}

// One page from `address` as the window's run asks for it.
bool Fetched(const std::string& address, test::WindowSession* window = nullptr) {
    test::WindowSession own;
    test::WindowSession& run = window ? *window : own;
    return DownloadPage(0, 50, &run.host, address, "", "", "", run.session).ok();
}

XmlDocument Loaded(const std::string& path) {
    XmlDocument document;
    EXPECT_TRUE(document.Load(path, 0)) << document.ParseError().Reason();
    return document;
}

// A blog whose post at `offset` never closes its body, which makes its page unreadable.
void ServeBlogWithBrokenPost(int posts, int offset) {
    Blog blog;
    blog.posts = MakePosts(posts, 300000);
    blog.posts[offset] = "<post id=\"" + std::to_string(300000 - offset) +
                         "\" type=\"regular\"><regular-body>never closed</post>";
    Service().SetBlog(blog);
}

TEST(ServiceBehaviour, APinnedOldPostShownFirstDoesNotEndAnIncrementalRun) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    Blog blog;
    blog.posts = MakePosts(80, 100000, 1);
    Service().SetBlog(blog);
    ASSERT_TRUE(Backup(file).ok());

    // Sixty new posts; the service shows an old pinned post first on page one.
    const std::string pinned = blog.posts[40];
    std::vector<std::string> posts = MakePosts(60, 100060, 1);
    posts.insert(posts.end(), blog.posts.begin(), blog.posts.end());
    posts.insert(posts.begin(), pinned);
    blog.posts = posts;
    Service().SetBlog(blog);
    Service().Http().ClearExchanges();

    const BackupResult run = Backup(file, file);
    ASSERT_TRUE(run.ok());
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
    ASSERT_TRUE(Fetched(Service().Address()));
    moved.Enqueue(redirect("Location", "../v2/api/read?again=1"));
    ASSERT_TRUE(Fetched(moved.Address()));
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
        test::WindowSession window;
        const test::WatchedBoxes& boxes = window.boxes;
        EXPECT_FALSE(Fetched(Service().Address(), &window));
        ASSERT_EQ(messages->Shown().size(), 1u);
        const MessageBoxRequest& box = messages->Shown()[0];
        EXPECT_TRUE(box.Text.starts_with("Can't download blog's XML file.\r\n\r\nThe server answered HTTP " +
                                         std::to_string(wall.answer.status)))
            << box.Text;
        EXPECT_NE(box.Text.find(wall.sentence), std::string::npos) << box.Text;
        EXPECT_EQ(box.Style, mbRetryCancel + mbCritical);
        ASSERT_EQ(boxes.statuses.size(), 1u);
        EXPECT_FALSE(boxes.statuses[0].retryMayHelp());
        EXPECT_EQ(boxes.statuses[0].kind(), wall.answer.status == 404 ? StatusKind::NotFound : StatusKind::Wall);
        EXPECT_EQ(Service().ApiRequests().size(), 1u) << "a wall is not followed";
    }
    // A redirect to anywhere else is followed as before.
    Service().Http().Enqueue(ScriptedResponse::Redirect(301, Service().Http().Url("/api/read")));
    ScopedMessages messages;
    EXPECT_TRUE(Fetched(Service().Address()));
}

TEST(ServiceBehaviour, APageOneBrokenPostMakesUnreadableIsFetchedInPiecesWhenAskedTo) {
    TempFolder folder;
    ServeBlogWithBrokenPost(200, 73);

    // The window's way: the page fails and so does the run.
    {
        ScopedMessages messages;
        EXPECT_FALSE(Backup(folder.File("window.xml")).ok());
        EXPECT_EQ(messages->Shown().size(), 1u);
    }
    // The command line's way: every other post is kept and the lost one named.
    ScopedMessages messages;
    RecordingHost host;
    Service().Http().ClearExchanges();
    InPieces pieces;
    const BackupResult run = Backup(folder.File("cli.xml"), "", &pieces, &host);
    ASSERT_TRUE(run.ok());
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

TEST(ServiceBehaviour, ASignInPageIsNeverAskedForInPiecesAndEndsTheRunUnsaved) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    Blog blog;
    blog.posts = MakePosts(150, 400000);
    Service().SetBlog(blog);
    ASSERT_TRUE(Backup(file).ok());
    const std::string complete = test::ReadAll(file);
    blog.posts = MakePosts(210, 400060);
    Service().SetBlog(blog);

    // From page two on the service answers every request with its sign-in
    // page: one that parses, and one that does not.
    const std::vector<std::string> signInPages = {
        "<?xml version=\"1.0\"?><html><body>Log in to continue</body></html>",
        "<!DOCTYPE html>\n<html><head><meta charset=utf-8><title>Log in</title><body><p>Log in<br>to "
        "continue"};
    for (const std::string& signIn : signInPages) {
        for (const bool incremental : {false, true}) {
            SCOPED_TRACE(signIn.substr(0, 9) + (incremental ? " incremental" : " full"));
            Service().Http().SetHandler([signIn](const test::HttpExchange& exchange) {
                if (exchange.body.find("start=0&") == std::string::npos)
                    return ScriptedResponse::Ok(signIn, "text/html");
                return Service().Answer(exchange);
            });
            Service().Http().ClearExchanges();
            ScopedMessages messages;  // answers Cancel, as the command line does once its retries are spent
            RecordingHost host;
            InPieces pieces;
            EXPECT_FALSE(Backup(file, incremental ? file : "", &pieces, &host).ok());
            ASSERT_EQ(messages->Shown().size(), 1u);
            EXPECT_EQ(pieces.boxes.piecesOffered, std::vector<bool>{false});
            EXPECT_NE(messages->Texts()[0].find("<html>"), std::string::npos) << messages->Texts()[0];
            EXPECT_EQ(Service().StartsRequested(), (std::vector<int>{0, 50}))
                << "no pieces of a sign-in page";
            EXPECT_EQ(test::ReadAll(file), complete);
            EXPECT_EQ(folder.Entries(), std::vector<std::string>{"blog.xml"});
        }
    }
}

TEST(ServiceBehaviour, APageAskedForInPiecesThatMeetsASignInPageEndsTheRunUnsaved) {
    TempFolder folder;
    ServeBlogWithBrokenPost(120, 60);
    // The broken page comes once; the service then asks to sign in.
    auto brokenSent = std::make_shared<bool>(false);
    Service().Http().SetHandler([brokenSent](const test::HttpExchange& exchange) {
        if (exchange.body.find("start=50&") != std::string::npos && !*brokenSent) {
            *brokenSent = true;
            return Service().Answer(exchange);
        }
        if (*brokenSent)
            return ScriptedResponse::Ok("<?xml version=\"1.0\"?><html><body>Log in</body></html>",
                                        "text/html");
        return Service().Answer(exchange);
    });
    ScopedMessages messages;
    RecordingHost host;
    InPieces pieces;
    EXPECT_FALSE(Backup(folder.File("cli.xml"), "", &pieces, &host).ok());
    EXPECT_EQ(pieces.boxes.piecesOffered, std::vector<bool>{true}) << "a page broken by a post may be read in pieces";
    ASSERT_EQ(pieces.boxes.statuses.size(), 2u);
    EXPECT_EQ(pieces.boxes.statuses[1].kind(), StatusKind::NotBlogXml);
    EXPECT_EQ(pieces.boxes.statuses[1].text(),
              "The page could not be read in pieces either. The answer is not the blog's XML: its root "
              "element is <html>.");
    EXPECT_EQ(Service().ApiRequests().size(), 3u) << "the first piece that is no blog's XML ends it";
    EXPECT_TRUE(folder.Entries().empty());
}

}  // namespace
}  // namespace qv
