// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <set>

#include "Error.h"
#include "Sundrykit.h"
#include "TempFolder.h"

namespace qv {
namespace {

using test::ReadAll;
using test::TempFolder;
using test::WriteAll;

// Points the user's data folder at a temporary one for one test.
class DataHome {
public:
    explicit DataHome(const std::string& path) {
        if (const char* old = std::getenv("XDG_DATA_HOME")) old_ = old;
        setenv("XDG_DATA_HOME", path.c_str(), 1);
    }
    ~DataHome() {
        if (old_.empty())
            unsetenv("XDG_DATA_HOME");
        else
            setenv("XDG_DATA_HOME", old_.c_str(), 1);
    }

private:
    std::string old_;
};

TEST(Formatting, NumbersAreGroupedByThousands) {
    EXPECT_EQ(skFormatLong(0), "0");
    EXPECT_EQ(skFormatLong(999), "999");
    EXPECT_EQ(skFormatLong(1000), "1,000");
    EXPECT_EQ(skFormatLong(-1234567), "-1,234,567");
    EXPECT_EQ(skFormatLong(INT32_MIN), "-2,147,483,648");
}

TEST(Formatting, ByteSizesUseBinaryUnitsAndTheExactCountOnRequest) {
    EXPECT_EQ(skFormatByteSize(0), "0 bytes");
    EXPECT_EQ(skFormatByteSize(1), "1 byte");
    EXPECT_EQ(skFormatByteSize(1023), "1023 bytes");
    EXPECT_EQ(skFormatByteSize(1024), "1.00 KB");
    EXPECT_EQ(skFormatByteSize(1536), "1.50 KB");
    EXPECT_EQ(skFormatByteSize(10 * 1024 * 1024), "10.00 MB");
    EXPECT_EQ(skFormatByteSize(5.5 * 1024 * 1024 * 1024), "5.50 GB");
    EXPECT_EQ(skFormatByteSizeEx(512), "512 bytes");
    EXPECT_EQ(skFormatByteSizeEx(1536), "1.50 KB (1,536 bytes)");
    EXPECT_EQ(skFormatVersion(2, 0, 41), "2.0.41");
}

TEST(Text, Utf8DecodingKeepsGoodTextAndReplacesMalformedBytes) {
    const std::string good = "caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D \xF0\x9F\x8E\xB5";
    EXPECT_EQ(skUTF8ToUNICODE(good), good);
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(skUTF8ToUNICODE("a\xE9z"), "a" + replacement + "z");              // Latin-1 byte
    EXPECT_EQ(skUTF8ToUNICODE("\xC0\xAF"), replacement + replacement);          // overlong '/'
    EXPECT_EQ(skUTF8ToUNICODE("\xED\xA0\x80"), replacement + replacement + replacement);  // surrogate
    EXPECT_EQ(skUTF8ToUNICODE("ok\xE2\x80"), "ok" + replacement + replacement);  // cut short at the end
}

TEST(Text, TrimAndCutCountCharacters) {
    EXPECT_EQ(skTrimEx(" \t http://x/ \r\n"), "http://x/");
    EXPECT_EQ(skTrimEx("   "), "");
    EXPECT_EQ(skCutLeft("000042", 4), "42");
    EXPECT_EQ(skCutLeft("\xC3\xA9\xC3\xA9x", 1), "\xC3\xA9x");
    EXPECT_EQ(skCutLeft("abc", 10), "");
    EXPECT_EQ(skCutLeft("abc", 0), "abc");
    EXPECT_EQ(skHex1(0), "00");
    EXPECT_EQ(skHex1(10), "0A");
    EXPECT_EQ(skHex1(255), "FF");
}

TEST(Random, DrawsCoverTheWholeClosedRangeAndNothingElse) {
    std::set<int> seen;
    for (int i = 0; i < 20000; ++i) {
        const int value = skGetRnd(0, 255);
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 255);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 256u);
    EXPECT_EQ(skGetRnd(7, 7), 7);
    EXPECT_THROW(skGetRnd(2, 1), Error);
}

TEST(Folders, DataFolderFollowsTheDesktopsRules) {
    TempFolder folder;
    {
        DataHome home(folder.Path().string());
        EXPECT_EQ(skGetSpecialFolder(sfAppData), folder.Path().string());
    }
    {
        DataHome relative("relative/path");  // only absolute paths count
        const char* userHome = std::getenv("HOME");
        ASSERT_NE(userHome, nullptr);
        EXPECT_EQ(skGetSpecialFolder(sfAppData), std::string(userHome) + "/.local/share");
    }
    EXPECT_THROW(skGetSpecialFolder(5), Error);
}

TEST(Folders, PathsAreJoinedSplitAndCreatedWithTheirParents) {
    EXPECT_EQ(skBuildFileName("/data/", "Quarrytide\\Quillvault"), "/data/Quarrytide/Quillvault");
    EXPECT_EQ(skBuildFileName("/data", "/x.log"), "/data/x.log");
    EXPECT_EQ(skGetFilePath("/home/me/backups/blog.xml"), "/home/me/backups");
    EXPECT_EQ(skGetFilePath("/blog.xml"), "/");
    EXPECT_EQ(skGetFilePath("blog.xml"), "");

    TempFolder folder;
    const std::string nested = folder.File("Quarrytide/Quillvault");
    EXPECT_TRUE(skCreateComplexDirectory(nested));
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    EXPECT_TRUE(skCreateComplexDirectory(nested)) << "an existing folder is fine";

    WriteAll(folder.File("blocker"), "");
    EXPECT_FALSE(skCreateComplexDirectory(folder.File("blocker/Quillvault")));
}

TEST(Log, EachMessageIsOneTimestampedLineInTheDataFolder) {
    TempFolder folder;
    DataHome home(folder.Path().string());
    skLogWarning("HTTP 408 was detected.\r\nTrying again.");
    skLogError("Second line");

    const std::string path = folder.File("Quarrytide/Quillvault/Quillvault.log");
    EXPECT_EQ(skLogFilePath(), path);
    const std::string log = ReadAll(path);
    ASSERT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
    const std::string first = log.substr(0, log.find('\n'));
    EXPECT_TRUE(first.ends_with(" WARNING HTTP 408 was detected.  Trying again.")) << first;
    EXPECT_EQ(first[4], '-');
    EXPECT_EQ(first[13], ':');
    EXPECT_NE(log.find(" ERROR Second line\n"), std::string::npos);
}

}  // namespace
}  // namespace qv
