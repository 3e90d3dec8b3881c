// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QLineEdit>

#include "GuiDoubles.h"

namespace qv {
namespace {

using test::WindowFixture;

const QDateTime kMoment(QDate(2026, 12, 6), QTime(7, 4, 39));

TEST(FileChoice, TheProposedNameIsTheAddressWithTheMomentOnRequest) {
    WindowFixture fixture;
    frmMain& w = *fixture.window;
    w.Now = [] { return kMoment; };
    w.txtGroup->setText("myblog");
    fixture.dialogs->QueueChoice("/tmp/a/one.xml");
    fixture.dialogs->QueueChoice("/tmp/a/two.xml");
    EXPECT_EQ(w.GetXMLFileName(false), "/tmp/a/one.xml");
    EXPECT_EQ(w.GetXMLFileName(true), "/tmp/a/two.xml");

    const auto& requests = fixture.dialogs->requests;
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].fileName, "myblog.xml");
    EXPECT_EQ(requests[1].fileName, "myblog 2026-12-06 07-04-39.xml");
    EXPECT_EQ(requests[0].filter, "XML files|*.XML|All files|*.*");
    EXPECT_EQ(requests[0].defaultExt, "XML");
    EXPECT_TRUE(requests[0].title.isEmpty());
    EXPECT_EQ(requests[0].owner, &w);
    EXPECT_TRUE(requests[0].initialFolder.isEmpty()) << "the first call opens at the dialog's own place";
    EXPECT_EQ(requests[1].initialFolder, "/tmp/a");
}

TEST(FileChoice, EachDialogRemembersItsOwnFolderAndCancelChangesNothing) {
    WindowFixture fixture;
    frmMain& w = *fixture.window;
    w.txtGroup->clear();
    fixture.dialogs->QueueChoice("/data/old/blog.xml");
    EXPECT_EQ(w.GetXMLBaseFileName(), "/data/old/blog.xml");
    fixture.dialogs->QueueChoice("/data/new/blog.xml");
    EXPECT_EQ(w.GetXMLFileName(false), "/data/new/blog.xml");
    fixture.dialogs->QueueCancel();
    EXPECT_EQ(w.GetXMLBaseFileName(), "");
    fixture.dialogs->QueueCancel();
    EXPECT_EQ(w.GetXMLFileName(true), "");
    fixture.dialogs->QueueCancel();
    w.GetXMLBaseFileName();
    fixture.dialogs->QueueCancel();
    w.GetXMLFileName(false);

    const auto& requests = fixture.dialogs->requests;
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_FALSE(requests[0].save);
    EXPECT_EQ(requests[0].title, "Open previously saved backup XML file");
    EXPECT_TRUE(requests[0].defaultExt.isEmpty());
    EXPECT_TRUE(requests[1].fileName.isEmpty()) << "an empty address proposes no name";
    EXPECT_EQ(requests[2].initialFolder, "/data/old");
    EXPECT_EQ(requests[3].initialFolder, "/data/new");
    EXPECT_EQ(requests[4].initialFolder, "/data/old") << "cancel kept the folder";
    EXPECT_EQ(requests[5].initialFolder, "/data/new");
}

TEST(FileChoice, TheFilterMatchesBothSpellingsOfTheExtension) {
    EXPECT_EQ(NameFiltersOf("XML files|*.XML|All files|*.*"), (QStringList{"XML files (*.XML *.xml)", "All files (*)"}));
}

}  // namespace
}  // namespace qv
