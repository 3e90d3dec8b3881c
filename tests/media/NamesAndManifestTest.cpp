// SPDX-License-Identifier: GPL-3.0-or-later
// File names made from addresses, and manifest.tsv and its journal read and written.
#include <gtest/gtest.h>

#include "FileNames.h"
#include "Manifest.h"
#include "ManifestJournal.h"

namespace qv {
namespace {

using media::FileNamer;
using media::ManifestEntry;
using media::MediaStatus;
using media::SafeFileName;

TEST(FileNames, TheLastSegmentIsCutToSafeCharactersAndNeverBecomesAPath) {
    EXPECT_EQ(SafeFileName("https://m.example/a/b/tumblr_x_1280.jpg?v=2#top"), "tumblr_x_1280.jpg");
    EXPECT_EQ(SafeFileName("https://m.example/x/..%2F..%2Fetc%2Fpasswd"), "passwd");
    EXPECT_EQ(SafeFileName("https://m.example/x/..%5C..%5Cboot.ini"), "boot.ini");
    EXPECT_EQ(SafeFileName("https://m.example/x/.."), "file");
    EXPECT_EQ(SafeFileName("https://m.example/"), "file");
    EXPECT_EQ(SafeFileName("https://m.example"), "file");
    EXPECT_EQ(SafeFileName("https://m.example/.hidden"), "hidden");
    EXPECT_EQ(SafeFileName("https://m.example/-rf"), "rf");
    EXPECT_EQ(SafeFileName("https://m.example/a..b...jpg."), "a.b.jpg");
    EXPECT_EQ(SafeFileName("https://m.example/caf%C3%A9%20au%20lait.png"), "cafaulait.png");
    EXPECT_EQ(SafeFileName("https://m.example/%00%0a%2e%2e"), "file");

    const std::string longName = SafeFileName("https://m.example/" + std::string(300, 'n') + ".jpeg");
    EXPECT_EQ(longName.size(), media::kLongestName);
    EXPECT_TRUE(longName.ends_with("n.jpeg"));
}

TEST(FileNames, TwoAddressesWithOneNameGetAHashOfTheirAddressAndCaseDoesNotSeparateNames) {
    FileNamer namer;
    EXPECT_EQ(namer.Assign("https://a.example/photo.jpg"), "photo.jpg");
    const std::string second = namer.Assign("https://b.example/PHOTO.jpg");
    EXPECT_EQ(second, media::HashedFileName("PHOTO.jpg", "https://b.example/PHOTO.jpg"));
    EXPECT_TRUE(second.starts_with("PHOTO-"));
    EXPECT_TRUE(second.ends_with(".jpg"));
    EXPECT_EQ(second.size(), std::string("PHOTO-0123456789.jpg").size());
    EXPECT_NE(namer.Assign("https://c.example/photo.jpg"), second);
    // The manifest's own name and reserved names are never handed out.
    EXPECT_NE(namer.Assign("https://a.example/manifest.tsv"), "manifest.tsv");
    namer.Reserve("kept.png");
    EXPECT_NE(namer.Assign("https://a.example/kept.png"), "kept.png");
    // A hashed long name still fits.
    EXPECT_LE(namer.Assign("https://z.example/" + std::string(200, 'q')).size(), media::kLongestName);
    EXPECT_LE(namer.Assign("https://y.example/" + std::string(200, 'q')).size(), media::kLongestName);
}

TEST(Manifest, LinesRoundTripInOrderWithEmptySlotsLeftOut) {
    media::Manifest manifest;
    const ManifestEntry kept{"https://m.example/a.jpg", "a.jpg", 1234, std::string(64, 'e'),
                             MediaStatus::Kept,         "",      "11"};
    const ManifestEntry failed{"https://m.example/b.jpg", "",  -1, "", MediaStatus::Failed,
                               "too\tlarge\nreally",      "12"};
    const ManifestEntry external{"https://video.example/embed/1", "", -1,  "",
                                 MediaStatus::External,           "", "13"};
    manifest.AddSlot(kept);
    const auto pending = manifest.AddSlot();
    manifest.AddSlot(failed);
    manifest.AddSlot(external);

    const std::string text = manifest.Text();
    EXPECT_EQ(text,
              "url\tfile\tbytes\tsha256\tstatus\tpost_id\n"
              "https://m.example/a.jpg\ta.jpg\t1234\t" +
                  std::string(64, 'e') +
                  "\tkept\t11\n"
                  "https://m.example/b.jpg\t\t\t\tfailed: too large really\t12\n"
                  "https://video.example/embed/1\t\t\t\texternal\t13\n");

    manifest.Set(pending,
                 ManifestEntry{"https://m.example/c.jpg", "", -1, "", MediaStatus::Missing, "", "14"});
    const auto parsed = media::ParseManifest(manifest.Text());
    EXPECT_EQ(parsed.skippedLines, 0);
    ASSERT_EQ(parsed.entries.size(), 4u);
    EXPECT_EQ(parsed.entries[0], kept);
    EXPECT_EQ(parsed.entries[1].status, MediaStatus::Missing);
    EXPECT_EQ(parsed.entries[2].reason, "too large really");
    EXPECT_EQ(parsed.entries[3], external);
}

TEST(Manifest, DamagedLinesAreSkippedAndCountedNotTrusted) {
    const auto parsed = media::ParseManifest(
        "url\tfile\tbytes\tsha256\tstatus\tpost_id\r\n"
        "https://m.example/ok.jpg\tok.jpg\t10\tabc\tkept\t1\r\n"
        "https://m.example/short.jpg\tshort.jpg\t10\n"
        "https://m.example/odd.jpg\todd.jpg\t10\tabc\tstolen\t1\n"
        "https://m.example/nosize.jpg\tnosize.jpg\t\tabc\tkept\t1\n"
        "https://m.example/badsize.jpg\tbad.jpg\t1x\tabc\tkept\t1\n"
        "https://m.example/up.jpg\t../up.jpg\t10\tabc\tkept\t1\n"
        "https://m.example/root.jpg\t/etc/root.jpg\t10\tabc\tkept\t1\n"
        "https://m.example/sub.jpg\tsub/sub.jpg\t10\tabc\tkept\t1\n"
        "https://m.example/dots.jpg\t..\t10\tabc\tkept\t1\n"
        "https://m.example/piece.jpg\t.part-x1\t10\tabc\tkept\t1\n"
        "https://m.example/list.jpg\tManifest.tsv\t10\tabc\tkept\t1\n"
        "\n"
        "https://m.example/cut.jpg\t\t\t\tfailed\t2");
    EXPECT_EQ(parsed.skippedLines, 10) << "a kept file's name is a plain name in the folder, never a path";
    ASSERT_EQ(parsed.entries.size(), 2u);
    EXPECT_EQ(parsed.entries[0].bytes, 10);
    EXPECT_EQ(parsed.entries[1].status, MediaStatus::Failed);
    EXPECT_EQ(parsed.entries[1].postId, "2");
}

TEST(ManifestJournal, OnlyWholeLinesCountAndALaterLineReplacesTheLineOfItsAddressWhereItStands) {
    const auto parsed = media::ParseJournal(
        "https://m.example/a.jpg\ta.jpg\t10\tabc\tkept\t1\n"
        "https://m.example/up.jpg\t../up.jpg\t10\tabc\tkept\t1\n"
        "https://m.example/c.jpg\t\t\t\tmissing\t3\n"
        "https://m.example/cut.jpg\tcut.jpg\t10\tabc\tkept\t4");
    EXPECT_EQ(parsed.skippedLines, 1);
    ASSERT_EQ(parsed.entries.size(), 2u);
    EXPECT_EQ(parsed.entries[0].file, "a.jpg");
    EXPECT_EQ(parsed.entries[1].url, "https://m.example/c.jpg");
    EXPECT_TRUE(media::ParseJournal("https://m.example/a.jpg\ta.jpg\t10\tabc\tkept\t1").entries.empty());

    std::vector<ManifestEntry> entries{
        {"https://m.example/a.jpg", "", -1, "", MediaStatus::Failed, "HTTP 500", "1"},
        {"https://m.example/b.jpg", "b.jpg", 5, "def", MediaStatus::Kept, "", "2"},
    };
    media::ApplyJournal(entries, parsed.entries);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], parsed.entries[0]);
    EXPECT_EQ(entries[1].file, "b.jpg");
    EXPECT_EQ(entries[2], parsed.entries[1]);
}

}  // namespace
}  // namespace qv
