// SPDX-License-Identifier: GPL-3.0-or-later
// A newcomer's first backup with the keyboard alone, through a real X server:
// an empty Library, Alt+B, a blog's address pasted from the browser, Enter.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <filesystem>

#include "LibraryTestSupport.h"
#include "RealKeys.h"
#include "catalog/BackupCatalog.h"

namespace qv {
namespace {

using test::RealKeys;
using test::Service;

class LibraryRealKeys : public test::LibraryTest {};

TEST_F(LibraryRealKeys, AnEmptyLibraryAltBAPastedAddressAndEnterEndWithTheBackupSavedListedAndSelected) {
    SKIP_WITHOUT_REAL_KEYS();
    SetVariable("HOME", home.File("home"));
    std::filesystem::create_directories(home.File("home"));
    test::Blog blog;
    blog.posts = test::MakePosts(120, 600000, 2);
    Service().SetBlog(blog);
    OpenLibrary();
    ASSERT_EQ(window->Model().rowCount(), 0);

    const QString address = QString::fromStdString("http://" + Service().Address() + "/");
    QGuiApplication::clipboard()->setText(address);
    ASSERT_TRUE(RealKeys({"key", "alt+b"}));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return window->OpenBackupDialog() &&
               QApplication::focusWidget() == window->OpenBackupDialog()->Address();
    }));
    ASSERT_TRUE(RealKeys({"key", "ctrl+v"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->OpenBackupDialog()->Address()->text() == address; }));
    ASSERT_TRUE(RealKeys({"key", "Return"}));

    const std::string target = home.File("home/Quillvault/" + Service().Address() + ".xml");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Model().RowOf(target) >= 0; }))
        << window->Details()->toPlainText().toStdString();
    ASSERT_TRUE(WaitForJobEnd(target)) << window->Details()->toPlainText().toStdString();
    EXPECT_TRUE(window->Jobs().State(target)->succeeded) << window->Details()->toPlainText().toStdString();
    ASSERT_EQ(catalog::Load(DataFolder()).entries.size(), 1u);
    EXPECT_EQ(catalog::Load(DataFolder()).entries[0].path, target);
    ASSERT_NE(window->Selected(), nullptr);
    EXPECT_EQ(window->Selected()->entry.path, target);
    EXPECT_FALSE(window->Selected()->pending);
    EXPECT_EQ(Cell(target, library::BackupTableModel::Posts), "120");
    EXPECT_EQ(QApplication::focusWidget(), window->Table()) << "the keyboard is back on the list";
}

}  // namespace
}  // namespace qv
