// SPDX-License-Identifier: GPL-3.0-or-later
// The journal of a full run: what a failing disk does to it, and to the run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "EngineDoubles.h"
#include "PageJournal.h"
#include "RecordingFileOps.h"
#include "backupfiles/BackupFiles.h"
#include "SharedService.h"
#include "TempFolder.h"
#include "modTumblrInteraction.h"

namespace qv {
namespace {

using test::Blog;
using test::ScriptedResponse;
using test::Service;
using test::TempFolder;

// A full run that keeps its pages in the journal of `target`. The journal is
// closed when it returns: what it kept is on the disk.
BackupResult JournaledBackup(const std::string& target, test::RecordingHost& host,
                             std::vector<std::string>& journalWarnings, FileOps& files = SystemFileOps()) {
    PageJournal journal(
        target, Service().Address(), PostsPerPage, false, false,
        [&](const std::string& text) { journalWarnings.push_back(text); }, files);
    test::WatchedBoxes boxes;
    RunContext context(boxes, host);
    context.journal = &journal;
    return MakeBackupXML(target, "", Service().Address(), "", "", "", context);
}

std::vector<int> StartsFrom(int first, int last) {
    std::vector<int> starts;
    for (int start = first; start <= last; start += 50) starts.push_back(start);
    return starts;
}

TEST(PageJournal, ADiskThatFillsUpCostsTheJournalNotTheBackup) {
    TempFolder folder;
    const std::string target = folder.File("blog.xml");
    Blog blog;
    blog.posts = test::MakePosts(300, 700000);
    Service().SetBlog(blog);
    std::vector<std::string> warnings;
    test::RecordingFileOps disk;
    disk.FailFrom(test::RecordingFileOps::Op::Write, ENOSPC, 4);  // after the description and two pages
    test::RecordingHost host;
    const BackupResult result = JournaledBackup(target, host, warnings, disk);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.PostsInBackup, 300);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("No space left on device"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("the next one starts from the first page"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(backupfiles::JournalFolder(target))) << "gone with the saved backup";
}

TEST(PageJournal, AnInterruptedRunIsContinuedFromItsLastKeptPageAndPostsPublishedMeanwhileAreNoRepeats) {
    TempFolder folder;
    const std::string target = folder.File("blog.xml");
    Blog blog;
    blog.posts = test::MakePosts(400, 800000, 7);
    Service().SetBlog(blog);
    // Page 200 fails and the window's box answers Cancel: four pages are kept.
    Service().Http().SetHandler([](const test::HttpExchange& exchange) {
        if (exchange.body.find("start=200&") != std::string::npos)
            return ScriptedResponse::Status(500, "down");
        return Service().Answer(exchange);
    });
    std::vector<std::string> journalWarnings;
    {
        test::ScopedMessages messages;
        test::RecordingHost host;
        EXPECT_FALSE(JournaledBackup(target, host, journalWarnings).ok());
        EXPECT_EQ(messages->Shown().size(), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists(target));

    // A busy day: four pages of new posts push every kept post four pages on,
    // so the pages after the last kept one bring posts the journal already
    // gave. That is no service repeating itself.
    Blog grown = blog;
    const std::vector<std::string> published = test::MakePosts(200, 900000);
    grown.posts.insert(grown.posts.begin(), published.begin(), published.end());
    Service().SetBlog(grown);
    Service().Http().SetHandler(Service().Handler());
    Service().Http().ClearExchanges();
    test::RecordingHost host;
    const BackupResult result = JournaledBackup(target, host, journalWarnings);

    ASSERT_TRUE(result.ok());
    EXPECT_EQ(host.warnings,
              std::vector<std::string>{"Continuing an interrupted backup: 4 pages already received."});
    EXPECT_TRUE(journalWarnings.empty()) << journalWarnings[0];
    // The last kept page once more: deleted posts would have moved some of
    // its successors onto it.
    EXPECT_EQ(Service().StartsRequested(), StartsFrom(150, 600));
    EXPECT_EQ(result.Traffic.PieceCount, 13) << "the pages of the blog as this backup read it";
    // Every post once: the 400 the first run found and the 50 new ones on the
    // second run's first page. The newer ones are for the next run.
    std::vector<std::string> expected;
    for (long long id = 899850; id > 899800; --id) expected.push_back(std::to_string(id));
    for (int i = 0; i < 400; ++i) expected.push_back(std::to_string(800000 - 7 * i));
    XmlDocument saved;
    ASSERT_TRUE(saved.Load(target, 0));
    EXPECT_EQ(test::IdsIn(saved), expected);
    EXPECT_FALSE(std::filesystem::exists(backupfiles::JournalFolder(target))) << "gone with the saved backup";
}

TEST(PageJournal, OncePagesWereReadWithCredentialsTheJournalSaysSoToEveryLaterRunAndAllIsOnDiskWhenClosed) {
    TempFolder folder;
    const std::string target = folder.File("blog.xml");
    const std::string journalFolder = backupfiles::JournalFolder(target);
    const auto quiet = [](const std::string&) {};
    const std::string page = "<tumblr version=\"1.0\"><posts total=\"120\"/></tumblr>";
    const std::vector<bool> credentials = {false, true, false};
    // The description is written again when the pages become private.
    const std::vector<std::vector<std::string>> placed = {
        {"journal.json", "0.xml"}, {"journal.json", "50.xml"}, {"100.xml"}};
    for (size_t run = 0; run < credentials.size(); ++run) {
        test::RecordingFileOps files;
        {
            PageJournal journal(target, "b.example", PostsPerPage, credentials[run], false, quiet, files);
            EXPECT_EQ(journal.HoldsPrivatePages(), run >= 1) << run;
            journal.Keep(static_cast<int32_t>(run) * 50, page, 120);
        }
        std::vector<std::string> renamed;
        for (const auto& call : files.Calls()) {
            if (call.op != test::RecordingFileOps::Op::Rename) continue;
            renamed.push_back(call.to.substr(journalFolder.size() + 1));
            const auto placement = files.PlacementOf(call.to);
            EXPECT_TRUE(placement.synced && placement.folderSynced) << call.to << " is not on the disk";
        }
        EXPECT_EQ(renamed, placed[run]);
    }
    PageJournal last(target, "b.example", PostsPerPage, false, false, quiet);
    EXPECT_TRUE(last.HoldsPrivatePages());
    EXPECT_EQ(last.Kept().size(), 3u);
}

TEST(PageJournal, OnlyAFolderOfOurOwnIsContinued) {
    TempFolder folder;
    const std::string target = folder.File("blog.xml");
    const std::string journalFolder = backupfiles::JournalFolder(target);
    // A fitting journal, as someone else could lay it out.
    const std::string planted = folder.File("planted");
    std::filesystem::create_directory(planted);
    test::WriteAll(planted + "/journal.json", R"({"format": 1, "blog": "b.example", "posts_per_page": 50})");
    test::WriteAll(planted + "/0.xml", "<tumblr version=\"1.0\"><posts total=\"1\"/></tumblr>");
    std::vector<std::string> warnings;
    const auto warn = [&](const std::string& text) { warnings.push_back(text); };

    std::filesystem::create_directory_symlink(planted, journalFolder);
    {
        PageJournal journal(target, "b.example", PostsPerPage, false, false, warn);
        EXPECT_TRUE(journal.Kept().empty());
    }
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("it is a link"), std::string::npos) << warnings[0];
    EXPECT_TRUE(std::filesystem::is_symlink(journalFolder + ".set-aside"));
    EXPECT_TRUE(std::filesystem::exists(planted + "/0.xml"));

    if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
    std::filesystem::rename(planted, journalFolder);
    ASSERT_EQ(chown(journalFolder.c_str(), 65534, 65534), 0);
    {
        PageJournal journal(target, "b.example", PostsPerPage, false, false, warn);
        EXPECT_TRUE(journal.Kept().empty());
    }
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[1].find("it belongs to another user"), std::string::npos) << warnings[1];
}

}  // namespace
}  // namespace qv
