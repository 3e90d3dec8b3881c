// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>

#include "GuiDoubles.h"
#include "HistoryList.h"

namespace qv {
namespace {

using test::TempFolder;

TEST(HistoryList, KeepsEntriesNewestFirstOnceEachAndCapped) {
    TempFolder folder;
    HistoryList list;
    list.Init("E-Mail History.DAT", folder.Path().string(), App(), "", true);
    list.Load();
    EXPECT_TRUE(list.Entries().isEmpty()) << "a missing file is an empty list";
    for (int i = 0; i < 30; ++i) list.Add("user" + std::to_string(i) + "@example.com");
    list.Add("user20@example.com");
    list.Add("   ");
    list.Add("caf\xC3\xA9@example.com");
    list.Save();

    HistoryList again;
    again.Init("E-Mail History.DAT", folder.Path().string(), App(), "", true);
    again.Load();
    ASSERT_EQ(again.Entries().size(), HistoryList::kMaxEntries);
    EXPECT_EQ(again.Entries()[0], QString::fromUtf8("caf\xC3\xA9@example.com"));
    EXPECT_EQ(again.Entries()[1], "user20@example.com");
    EXPECT_EQ(again.Entries().count("user20@example.com"), 1);
}

TEST(HistoryList, ADamagedFileGivesACleanOrEmptyList) {
    TempFolder folder;
    test::WriteAll(folder.File("a.DAT"), std::string("good.example\n\x01\x02 bad\x00line\n\xFF\xFE broken", 31));
    HistoryList binary;
    binary.Init("a.DAT", folder.Path().string(), App(), "", true);
    binary.Load();
    EXPECT_TRUE(binary.Entries().isEmpty()) << "not UTF-8 at all: started afresh";

    test::WriteAll(folder.File("b.DAT"), std::string("one.example\r\n\x01two.example\n\none.example\n", 40));
    HistoryList controls;
    controls.Init("b.DAT", folder.Path().string(), App(), "", true);
    controls.Load();
    EXPECT_EQ(controls.Entries(), (QStringList{"one.example", "two.example"}));
}

TEST(HistoryList, ThePopUpPutsTheChosenEntryIntoTheBox) {
    TempFolder folder;
    HistoryList list;
    list.Init("x.DAT", folder.Path().string(), App(), "", true);
    list.Add("older.example");
    list.Add("newer.example");
    QWidget window;
    auto* box = new QLineEdit(&window);
    window.show();
    QTimer::singleShot(50, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 2);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    EXPECT_TRUE(list.ShowFor(box));
    EXPECT_EQ(box->text(), "older.example");
}

}  // namespace
}  // namespace qv
