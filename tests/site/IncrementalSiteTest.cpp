// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "RecordingFileOps.h"
#include "SiteTestSupport.h"

namespace qv::site {
namespace {

using test::ReadAll;
using test::TempFolder;

const std::string kPage1 = "10-page1-start0-num50-total120.xml";
const std::string kPage2 = "11-page2-start50-num50-total120.xml";
const std::string kPage3 = "12-page3-start100-last-20-posts.xml";

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The site a first run makes of `backup` in a folder of its own.
std::map<std::string, std::string> FreshSite(const std::string& backup) {
    TempFolder fresh;
    const SiteResult site = test::MakeSite(fresh, backup);
    EXPECT_TRUE(site.status.ok()) << site.status.text();
    return test::SiteFiles(fresh.File("blog.html"));
}

TEST(IncrementalSite, AfterTheBackupGrewOnlyChangedPagesAreWrittenAndTheResultIsAFreshRun) {
    TempFolder folder;
    const SiteResult before = test::MakeSite(folder, test::MergedBackup({kPage2, kPage3}));
    ASSERT_TRUE(before.status.ok()) << before.status.text();
    const std::string untouched = folder.File("blog.html/post/127097234.html");  // deep in the older posts
    const std::string neighbour =
        folder.File("blog.html/post/131667858.html");  // the newest of the older posts
    ASSERT_TRUE(std::filesystem::exists(untouched));
    const ino_t untouchedInode = InodeOf(untouched);
    const ino_t neighbourInode = InodeOf(neighbour);
    test::WriteAll(folder.File("blog.html/post/1.html.saving-Ab12Cd"), "left by an interrupted run");
    test::WriteAll(folder.File("blog.html/notes.txt"), "the user's own file");

    const std::string grown = test::MergedBackup({kPage1, kPage2, kPage3});
    const SiteResult after = test::MakeSite(folder, grown);
    ASSERT_TRUE(after.status.ok()) << after.status.text();
    EXPECT_EQ(after.posts, 120u);
    EXPECT_EQ(InodeOf(untouched), untouchedInode) << "an unchanged page is not written again";
    EXPECT_NE(InodeOf(neighbour), neighbourInode) << "its newer neighbour is new";
    EXPECT_GE(after.pagesUnchanged, 60u);
    EXPECT_EQ(after.pagesRemoved, 1u) << "the interrupted run's file";
    EXPECT_EQ(ReadAll(folder.File("blog.html/notes.txt")), "the user's own file");
    std::filesystem::remove(folder.File("blog.html/notes.txt"));
    EXPECT_EQ(test::SiteFiles(folder.File("blog.html")), FreshSite(grown));

    const SiteResult again = test::MakeSite(folder, grown);
    ASSERT_TRUE(again.status.ok()) << again.status.text();
    EXPECT_EQ(again.pagesWritten, 0u);
    EXPECT_EQ(again.pagesRemoved, 0u);
}

TEST(IncrementalSite, PagesOfPostsTagsAndMonthsThatAreGoneAreRemoved) {
    TempFolder folder;
    std::string withTags = test::Fixture("09-authenticated-read-private-posts-total-mismatch.xml");
    ASSERT_TRUE(test::MakeSite(folder, withTags).status.ok());
    ASSERT_TRUE(std::filesystem::exists(folder.File("blog.html/tag/hilarious.html")));

    const std::string fewer = test::Fixture("04-single-post-total1-empty-tumblelog.xml");
    const SiteResult after = test::MakeSite(folder, fewer);
    ASSERT_TRUE(after.status.ok()) << after.status.text();
    EXPECT_GT(after.pagesRemoved, 14u);
    EXPECT_FALSE(std::filesystem::exists(folder.File("blog.html/tag")))
        << "an emptied folder of ours goes too";
    EXPECT_EQ(test::SiteFiles(folder.File("blog.html")), FreshSite(fewer));
}

TEST(IncrementalSite, AFullDiskStopsTheRunWithAReasonAndLeavesEveryPageWhole) {
    TempFolder folder;
    const std::string backup = test::Fixture("08-anonymous-read-all-types-tags-2009.xml");
    ASSERT_TRUE(test::MakeSite(folder, backup).status.ok());
    const auto before = test::SiteFiles(folder.File("blog.html"));

    test::WriteAll(folder.File("blog.xml"),
                   test::Fixture("09-authenticated-read-private-posts-total-mismatch.xml"));
    test::RecordingFileOps disk;
    disk.FailFrom(test::RecordingFileOps::Op::Write, ENOSPC, 4);
    SiteOptions options;
    options.backupFile = folder.File("blog.xml");
    options.files = &disk;
    options.threads = 1;
    const SiteResult site = WriteSite(options);
    EXPECT_TRUE(site.status.Is(StatusKind::FileSystem)) << site.status.text();
    // Each page is either as it was or wholly new; no half page and no temporary file.
    for (const auto& [page, text] : test::SiteFiles(folder.File("blog.html"))) {
        EXPECT_EQ(page.find(".saving-"), std::string::npos) << page;
        const auto old = before.find(page);
        if (old != before.end() && old->second != text) {
            EXPECT_NE(text.find("</html>"), std::string::npos) << page;
        }
    }
}

}  // namespace
}  // namespace qv::site
