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
using test::Service;
using test::TempFolder;

TEST(PageJournal, ADiskThatFillsUpCostsTheJournalNotTheBackup) {
    TempFolder folder;
    const std::string target = folder.File("blog.xml");
    Blog blog;
    blog.posts = test::MakePosts(300, 700000);
    Service().SetBlog(blog);
    std::vector<std::string> warnings;
    test::RecordingFileOps disk;
    disk.FailFrom(test::RecordingFileOps::Op::Write, ENOSPC, 4);  // after the description and two pages
    BackupResult result;
    {
        PageJournal journal(
            target, Service().Address(), false, false,
            [&](const std::string& text) { warnings.push_back(text); }, disk);
        test::RecordingHost host;
        test::CountingProgress progress;
        result = MakeBackupXML(target, "", &progress, Service().Address(), "", "", "", host,
                               RunContext{.Journal = &journal});
    }
    EXPECT_TRUE(result.Success);
    EXPECT_EQ(result.PostsInBackup, 300);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("No space left on device"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("the next one starts from the first page"), std::string::npos);
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
            PageJournal journal(target, "b.example", credentials[run], false, quiet, files);
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
    PageJournal last(target, "b.example", false, false, quiet);
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
        PageJournal journal(target, "b.example", false, false, warn);
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
        PageJournal journal(target, "b.example", false, false, warn);
        EXPECT_TRUE(journal.Kept().empty());
    }
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[1].find("it belongs to another user"), std::string::npos) << warnings[1];
}

}  // namespace
}  // namespace qv
