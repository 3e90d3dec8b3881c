// SPDX-License-Identifier: GPL-3.0-or-later
// What the service may send besides the blog's XML, and what must never follow
// from it: a shortened backup saved as complete, a replaced earlier backup, a
// silent shortfall.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "EngineDoubles.h"
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
const std::string kSignInPage =
    "<?xml version=\"1.0\"?><html><head><title>Sign in</title></head><body>Log in to continue</body></html>";

struct RunOutcome : test::WindowRun {
    BackupResult result;
};

std::unique_ptr<RunOutcome> Backup(const std::string& target, const std::string& previous = "",
                                   const std::string& email = "", const std::string& password = "") {
    auto run = std::make_unique<RunOutcome>();
    run->result = MakeBackupXML(target, previous, Service().Address(), email, password, "", run->context);
    return run;
}

void ServeBlogOf(int posts, long long newest = 500000) {
    Blog blog;
    blog.posts = MakePosts(posts, newest, 3);
    Service().SetBlog(blog);
}

// The page the service sends for `start`, except one sign-in page in its place.
void SignInPageOnceAt(int start) {
    auto signInSent = std::make_shared<bool>(false);
    Service().Http().SetHandler([signInSent, start](const test::HttpExchange& exchange) {
        if (!*signInSent && exchange.body.find("start=" + std::to_string(start) + "&") != std::string::npos) {
            *signInSent = true;
            return ScriptedResponse::Ok(kSignInPage, "text/html");
        }
        return Service().Answer(exchange);
    });
}

TEST(UntrustedAnswers, ASignInPageMidRunIsAFailedPageNeverTheLastOne) {
    TempFolder folder;
    const std::string file = folder.File("blog.xml");
    ServeBlogOf(150);
    ASSERT_TRUE(Backup(file)->result.ok());
    const std::string complete = ReadAll(file);

    ServeBlogOf(210, 500180);  // sixty new posts since: an incremental run needs a second page too
    for (const bool incremental : {false, true}) {
        SCOPED_TRACE(incremental ? "incremental" : "full");
        SignInPageOnceAt(50);
        ScopedMessages messages;  // answers Cancel
        const auto cancelled = Backup(file, incremental ? file : "");
        EXPECT_FALSE(cancelled->result.ok());
        ASSERT_EQ(messages->Shown().size(), 1u);
        EXPECT_EQ(messages->Shown()[0].Style, mbRetryCancel + mbCritical);
        EXPECT_EQ(messages->Texts()[0],
                  "Can't load received XML data.\r\n\r\nThe answer is not the blog's XML: its root element "
                  "is <html>.");
        EXPECT_EQ(ReadAll(file), complete) << "the earlier backup must stay as it was";
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"blog.xml"});
    }

    // Retry asks for the same page again, and the run ends with every post.
    SignInPageOnceAt(50);
    Service().Http().ClearExchanges();
    ScopedMessages messages;
    messages->QueueAnswer(mrRetry);
    const auto retried = Backup(file);
    ASSERT_TRUE(retried->result.ok());
    EXPECT_EQ(retried->result.PostsInBackup, 210);
    EXPECT_EQ(Service().StartsRequested(), (std::vector<int>{0, 50, 50, 100, 150, 200}));
}

TEST(UntrustedAnswers, OnlyAFullRunsFirstPageMayLackPosts) {
    TempFolder folder;
    const std::string emptyBlog = "<tumblr version=\"1.0\"><tumblelog name=\"quiet\"/></tumblr>";
    Service().Http().Enqueue(ScriptedResponse::Ok(emptyBlog));
    const auto empty = Backup(folder.File("empty.xml"));
    ASSERT_TRUE(empty->result.ok());
    EXPECT_EQ(empty->result.PostsInBackup, 0);

    ServeBlogOf(60);
    const std::vector<std::pair<std::string, std::string>> wrong = {
        {emptyBlog, "The answer holds no <posts> element."},
        {"<tumblr version=\"2.0\"><posts/></tumblr>",
         "The answer's root element <tumblr> has the version \"2.0\", not \"1.0\"."},
        {"<tumblr><posts/></tumblr>", "The answer's root element <tumblr> has no version."},
    };
    for (const auto& [page, reason] : wrong) {
        SCOPED_TRACE(page);
        Service().Http().Enqueue({ScriptedResponse::Ok(Service().Page(0, 50)), ScriptedResponse::Ok(page)});
        ScopedMessages messages;
        EXPECT_FALSE(Backup(folder.File("blog.xml"))->result.ok());
        EXPECT_EQ(messages->Texts(),
                  std::vector<std::string>{"Can't load received XML data.\r\n\r\n" + reason});
        EXPECT_FALSE(std::filesystem::exists(folder.File("blog.xml")));
    }
}

TEST(UntrustedAnswers, PagesThatCannotBeHeldAreRefusedWithTheReason) {
    TempFolder folder;
    ServeBlogOf(10);
    // A post nested 200,000 deep would blow up any recursive step and the indented save.
    std::string deep;
    for (int i = 0; i < 200000; ++i) deep += "<b>";
    for (int i = 0; i < 200000; ++i) deep += "</b>";
    const std::string nested =
        "<tumblr version=\"1.0\"><posts><post id=\"1\">" + deep + "</post></posts></tumblr>";
    const std::string cutOff =
        "<tumblr version=\"1.0\"><posts><post id=\"1\"><regular-body>before&#0;after"
        "</regular-body></post></posts></tumblr>";
    const std::vector<std::pair<std::string, std::string>> pages = {
        {nested, "The elements are nested deeper than 256 levels"},
        {cutOff, "The character reference &#0; names no character XML can hold at line 1, column 63"},
    };
    for (const auto& [page, reason] : pages) {
        Service().Http().Enqueue(ScriptedResponse::Ok(page));
        ScopedMessages messages;
        EXPECT_FALSE(Backup(folder.File("blog.xml"))->result.ok());
        EXPECT_EQ(messages->Texts(),
                  std::vector<std::string>{"Can't load received XML data.\r\n\r\n" + reason});
    }
}

TEST(Completeness, AShortfallAgainstTheAnnouncedTotalIsSaidAfterTheSummary) {
    TempFolder folder;
    // The real first two pages of a blog of 120; the third never comes.
    Service().ServeFixedPages({{0, ReadAll(kFixtures + "/10-page1-start0-num50-total120.xml")},
                               {50, ReadAll(kFixtures + "/11-page2-start50-num50-total120.xml")}});
    RunOutcome run;
    BackupOptions options;
    options.XMLFileName = folder.File("short.xml");
    options.GroupAddress = Service().Address();
    ScopedMessages messages;
    messages->QueueAnswer(mrOK);  // private posts
    run.result = RunBackup(options, run.context);
    const std::string note = "The service reported 120 posts; 100 are in the backup.";
    ASSERT_EQ(messages->Shown().size(), 2u);
    EXPECT_TRUE(messages->Texts()[1].ends_with("\r\n\r\n" + note)) << messages->Texts()[1];
    EXPECT_EQ(run.host.warnings, std::vector<std::string>{note});

    // A service stuck on one page: the summary says why paging ended.
    ServeBlogOf(400);
    Service().RepeatPagesFrom(100);
    const auto result = Backup(folder.File("stuck.xml"));
    ASSERT_TRUE(result->result.ok());
    EXPECT_EQ(
        CompletenessNote(result->result),
        "The service reported 400 posts; 150 are in the backup. Paging stopped early because the service "
        "kept sending pages without a new post.");

    // Counts that agree add nothing; neither do private posts beyond the total.
    ServeBlogOf(120);
    EXPECT_EQ(CompletenessNote(Backup(folder.File("whole.xml"))->result), std::nullopt);
    Service().ServeFixedPages(
        {{0, ReadAll(kFixtures + "/09-authenticated-read-private-posts-total-mismatch.xml")}});
    EXPECT_EQ(CompletenessNote(Backup(folder.File("private.xml"))->result), std::nullopt);
}

TEST(Saving, ATargetThatCannotBeWrittenStopsTheRunBeforeAnyRequest) {
    TempFolder folder;
    ServeBlogOf(30);
    const std::string readOnly = folder.File("kept.xml");
    test::WriteAll(readOnly, "the user's own copy");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    test::WriteAll(folder.File("a-file"), "x");
    for (const std::string& target :
         {readOnly, folder.File("missing/blog.xml"), folder.File("a-file/blog.xml")}) {
        SCOPED_TRACE(target);
        Service().Http().ClearExchanges();
        ScopedMessages messages;
        const auto run = Backup(target);
        EXPECT_FALSE(run->result.ok());
        EXPECT_EQ(messages->Texts(), std::vector<std::string>{"Can't save backup XML file."});
        ASSERT_EQ(run->host.warnings.size(), 1u);
        EXPECT_NE(run->host.warnings[0].find(target), std::string::npos);
        EXPECT_TRUE(Service().ApiRequests().empty());
    }
    EXPECT_EQ(ReadAll(readOnly), "the user's own copy");
    ScopedMessages messages;
    EXPECT_NE(Backup(readOnly)->host.warnings.at(0).find("read-only"), std::string::npos);
}

TEST(Saving, ANewFileOfAnAccountsRunIsTheOwnersAloneAndLeftoversOfKilledSavesGo) {
    TempFolder folder;
    ServeBlogOf(20);
    const mode_t mask = umask(022);
    ASSERT_TRUE(Backup(folder.File("private.xml"), "", "me@example.org", "secret")->result.ok());
    ASSERT_TRUE(Backup(folder.File("public.xml"))->result.ok());
    struct stat info {};
    ASSERT_EQ(stat(folder.File("private.xml").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(folder.File("public.xml").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    // An existing file keeps its mode, whoever's run replaces it.
    ASSERT_TRUE(Backup(folder.File("public.xml"), "", "me@example.org", "secret")->result.ok());
    ASSERT_EQ(stat(folder.File("public.xml").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    umask(mask);

    // A save killed half-way left its temporary file behind; a younger one may
    // belong to a save under way and stays, and so does a look-alike name.
    const std::string leftover = folder.File("private.xml.saving-Ab12Cd");
    const std::string underWay = folder.File("public.xml.saving-Zz99yy");
    const std::string lookAlike = folder.File("notes.saving-longer-than-ours");
    for (const auto& path : {leftover, underWay, lookAlike}) test::WriteAll(path, "<tumblr");
    const auto anHourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(leftover, anHourAgo);
    std::filesystem::last_write_time(lookAlike, anHourAgo);
    std::filesystem::last_write_time(underWay,
                                     std::filesystem::file_time_type::clock::now() + std::chrono::hours(1));
    ASSERT_TRUE(Backup(folder.File("private.xml"))->result.ok());
    EXPECT_FALSE(std::filesystem::exists(leftover));
    EXPECT_TRUE(std::filesystem::exists(underWay));
    EXPECT_TRUE(std::filesystem::exists(lookAlike));
}

}  // namespace
}  // namespace qv
