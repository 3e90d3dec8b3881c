// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "PageIndex.h"
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

struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

// Until the file system's clock has moved past the change time of `path`,
// so that a change made now shows in the stamp.
void WaitForTheClockToPass(const std::string& path) {
    const std::string probe = path + ".probe";
    for (;;) {
        test::WriteAll(probe, "probe");
        const struct stat now = StatOf(probe);
        const struct stat then = StatOf(path);
        std::filesystem::remove(probe);
        if (now.st_ctim.tv_sec != then.st_ctim.tv_sec || now.st_ctim.tv_nsec != then.st_ctim.tv_nsec) return;
    }
}

// Changes a byte of the file in place, keeping its size and its modification time.
void EditKeepingSizeAndTime(const std::string& path) {
    const struct stat before = StatOf(path);
    std::string text = ReadAll(path);
    const std::size_t at = text.find("<title>");
    ASSERT_NE(at, std::string::npos) << path;
    text[at + 1] = 'T';
    WaitForTheClockToPass(path);
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::futimens(fd, times), 0);
    ::close(fd);
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
        if (page.ends_with(".html") && (old == before.end() || old->second != text)) {
            EXPECT_NE(text.find("</html>"), std::string::npos) << page;
        }
    }

    // Into an empty folder every page is new, written under its own name:
    // the one the disk had no room for is not left there in part.
    TempFolder empty;
    test::WriteAll(empty.File("blog.xml"), backup);
    test::RecordingFileOps full;
    full.FailFrom(test::RecordingFileOps::Op::Write, ENOSPC, 3);
    options.backupFile = empty.File("blog.xml");
    options.files = &full;
    EXPECT_TRUE(WriteSite(options).status.Is(StatusKind::FileSystem));
    const auto pages = test::SiteFiles(empty.File("blog.html"));
    EXPECT_EQ(pages.size(), 2u) << "the marker and the one page there was room for";
    for (const auto& [page, text] : pages) {
        if (page.ends_with(".html")) {
            EXPECT_NE(text.find("</html>"), std::string::npos) << page;
        }
    }
}

TEST(IncrementalSite, WhenNothingChangedOnlyPagesEditedOrDeletedByHandAreWrittenAgain) {
    TempFolder folder;
    const std::string backup = test::Fixture("08-anonymous-read-all-types-tags-2009.xml");
    ASSERT_TRUE(test::MakeSite(folder, backup).status.ok());
    const auto fresh = test::SiteFiles(folder.File("blog.html"));
    const SiteResult again = test::MakeSite(folder, backup);
    ASSERT_TRUE(again.status.ok()) << again.status.text();
    EXPECT_EQ(again.pagesWritten, 0u);
    EXPECT_EQ(again.pagesUnchanged, fresh.size());
    EXPECT_EQ(again.posts, 7u);

    // Edited with its size and time kept, deleted, and touched with its bytes kept.
    EditKeepingSizeAndTime(folder.File("blog.html/index.html"));
    std::filesystem::remove(folder.File("blog.html/tags.html"));
    const std::string touched = folder.File("blog.html/archive.html");
    WaitForTheClockToPass(touched);
    ASSERT_EQ(::utimensat(AT_FDCWD, touched.c_str(), nullptr, 0), 0);
    const SiteResult after = test::MakeSite(folder, backup);
    ASSERT_TRUE(after.status.ok()) << after.status.text();
    EXPECT_EQ(after.pagesWritten, 2u);
    EXPECT_EQ(test::SiteFiles(folder.File("blog.html")), fresh);
    EXPECT_EQ(test::MakeSite(folder, backup).pagesWritten, 0u) << "the compared page is vouched for again";
}

TEST(IncrementalSite, AnIndexLeftByAnotherRunOrForgedVouchesOnlyForPagesAsItLeftThem) {
    TempFolder folder;
    const std::string older = test::MergedBackup({kPage2, kPage3});
    const std::string grown = test::MergedBackup({kPage1, kPage2, kPage3});
    const std::string index = folder.File("blog.html/" + std::string(kPageIndexName));
    ASSERT_TRUE(test::MakeSite(folder, older).status.ok());
    const std::string olderIndex = ReadAll(index);
    ASSERT_TRUE(test::MakeSite(folder, grown).status.ok());

    // The index of the older site over the pages of the grown one: its
    // sources are the older backup's, but many pages are not as it left them.
    test::WriteAll(index, olderIndex);
    const SiteResult back = test::MakeSite(folder, older);
    ASSERT_TRUE(back.status.ok()) << back.status.text();
    EXPECT_GT(back.pagesWritten, 0u);
    EXPECT_GT(back.pagesUnchanged, 60u) << "pages that did not change are still vouched for";
    EXPECT_EQ(test::SiteFiles(folder.File("blog.html")), FreshSite(older));

    // A page edited by hand, and an index altered to give it the new file's
    // stamp: the damaged index vouches for nothing, so the page is compared.
    const std::string edited = folder.File("blog.html/index.html");
    EditKeepingSizeAndTime(edited);
    const struct stat file = StatOf(edited);
    std::string forged = ReadAll(index);
    const std::size_t line = forged.find(" index.html\n");
    ASSERT_NE(line, std::string::npos);
    const std::size_t stampStart = forged.find(' ', forged.rfind('\n', line) + 1);
    forged.replace(stampStart, line - stampStart,
                   " " + std::to_string(file.st_ino) + " " + std::to_string(file.st_size) + " " +
                       std::to_string(file.st_mtim.tv_sec * 1000000000LL + file.st_mtim.tv_nsec) + " " +
                       std::to_string(file.st_ctim.tv_sec * 1000000000LL + file.st_ctim.tv_nsec));
    test::WriteAll(index, forged);
    const SiteResult repaired = test::MakeSite(folder, older);
    ASSERT_TRUE(repaired.status.ok()) << repaired.status.text();
    EXPECT_EQ(repaired.pagesWritten, 1u);
    EXPECT_EQ(test::SiteFiles(folder.File("blog.html")), FreshSite(older));
}

TEST(IncrementalSite, MediaKeptReplacedOrLostSinceTheLastRunChangeThePages) {
    TempFolder folder;
    const std::string backup = test::Fixture("06-all-seven-post-types-2008.xml");
    const std::string url = "http://data.tumblr.com/KZPtOc3DXg9xvo0gtwOrsrpPo1_250.jpg";
    const auto photo = [&folder] { return ReadAll(folder.File("blog.html/post/59614715.html")); };
    ASSERT_TRUE(test::MakeSite(folder, backup).status.ok());
    EXPECT_EQ(photo().find("blog.media"), std::string::npos);

    test::WriteMediaFolder(folder.File("blog.media"),
                           {{url, {"coast.png", test::Png(250, 180, 30, 120, 200)}}});
    ASSERT_TRUE(test::MakeSite(folder, backup).status.ok());
    EXPECT_NE(photo().find("src=\"../blog.media/coast.png\" alt=\"Picture of the coast\" width=\"250\" "
                           "height=\"180\""),
              std::string::npos)
        << photo();

    // The same file name with another picture in it.
    test::WriteAll(folder.File("blog.media/coast.png"), test::Png(125, 90, 30, 120, 200));
    ASSERT_TRUE(test::MakeSite(folder, backup).status.ok());
    EXPECT_NE(photo().find("width=\"125\" height=\"90\""), std::string::npos) << photo();

    std::filesystem::remove(folder.File("blog.media/coast.png"));
    ASSERT_TRUE(test::MakeSite(folder, backup).status.ok());
    EXPECT_EQ(photo().find("blog.media"), std::string::npos);
}

TEST(PageIndex, AnIndexCutShortOrWithAnyByteChangedVouchesForNothing) {
    PageIndex index;
    index.sources = DigestOf("the sources");
    index.posts = 2;
    index.pages["index.html"] = {DigestOf("<html>1</html>"),
                                 FileStamp{12, 14, 1700000000000000001, 1700000000000000002}};
    index.pages["post/1.html"] = {DigestOf("<html>2</html>"),
                                  FileStamp{13, 14, 1700000000000000003, 1700000000000000004}};
    const std::string text = index.Text();
    const std::optional<PageIndex> read = PageIndex::Parse(text);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->sources, index.sources);
    EXPECT_EQ(read->posts, 2u);
    EXPECT_EQ(read->pages, index.pages);

    for (std::size_t at = 0; at < text.size(); ++at) {
        std::string damaged = text;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
        EXPECT_FALSE(PageIndex::Parse(damaged).has_value()) << "byte " << at;
        EXPECT_FALSE(PageIndex::Parse(text.substr(0, at)).has_value()) << "cut at " << at;
    }
}

}  // namespace
}  // namespace qv::site
