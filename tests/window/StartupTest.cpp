// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "GuiDoubles.h"
#include "modMain.h"

namespace qv {
namespace {

TEST(DataFolder, IsMadeWithItsParentsWithoutAWord) {
    test::FreshUserFolders folders;
    test::ScopedMessages messages;
    const std::string folder = GetDataFolder();
    EXPECT_EQ(folder, folders.Folder().File("data/Quarrytide/Quillvault"));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(GetDataFolder(), folder) << "an existing folder is used as it is";
    EXPECT_TRUE(messages->Shown().empty());
}

TEST(DataFolder, AFileInTheWayIsReportedAndGivesNoFolder) {
    test::FreshUserFolders folders;
    std::filesystem::create_directories(folders.Folder().File("data"));
    test::WriteAll(folders.Folder().File("data/Quarrytide"), "in the way");
    test::ScopedMessages messages;
    EXPECT_EQ(GetDataFolder(), "");
    ASSERT_EQ(messages->Shown().size(), 1u);
    EXPECT_EQ(messages->Shown()[0].Text, folders.Folder().File("data/Quarrytide/Quillvault") +
                                             "\r\n\r\nCan't create or open data folder.");
    EXPECT_EQ(messages->Shown()[0].Style, mbCritical);
    EXPECT_EQ(messages->Shown()[0].Title, "Corvane - Quillvault");
}

TEST(DataFolder, NoHomeFolderAtAllIsReportedAndTheProgramEnds) {
    test::FreshUserFolders folders;
    const QByteArray home = qgetenv("HOME");
    qunsetenv("HOME");
    qunsetenv("XDG_DATA_HOME");
    test::ScopedMessages messages;
    const bool started = Main();
    qputenv("HOME", home);
    EXPECT_FALSE(started);
    ASSERT_EQ(messages->Shown().size(), 1u);
    EXPECT_TRUE(messages->Shown()[0].Text.starts_with(
        "Quarrytide/Quillvault\r\n\r\nCan't create or open data folder."))
        << messages->Shown()[0].Text;
    EXPECT_EQ(messages->Shown()[0].Style, mbCritical);
}

}  // namespace
}  // namespace qv
