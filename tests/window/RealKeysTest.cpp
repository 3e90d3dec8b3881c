// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "GuiDoubles.h"
#include "ReadApiServer.h"
#include "RealKeys.h"
#include "modMain.h"
#include "widgets/QtMessagePresenter.h"

namespace qv {
namespace {

using test::RealKeys;
using test::ScriptedResponse;
using test::WhileRunning;

// The window with real message boxes, so that focus moves between windows as
// it does for a person.
struct RealWindow : test::WindowFixture {
    test::ReadApiServer service;

    RealWindow() {
        SharedMessageUtility().SetPresenter(std::make_shared<QtMessagePresenter>());
        test::Blog blog;
        blog.posts = test::MakePosts(120, 700000);
        service.SetBlog(blog);
        window->txtGroup->setText(QString::fromStdString(service.Address()));
        window->chkAnonymous->setChecked(true);
        dialogs->QueueChoice(folders.Folder().File("backup.xml"));
    }
    // The active message box whose text starts with `text`, if one is up.
    static QMessageBox* BoxSaying(const QString& text) {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box && box->isActiveWindow() && box->text().startsWith(text) ? box : nullptr;
    }
};

TEST(RealKeys, ShiftF1OpensOneAboutBoxAndTheAddressBoxStillGetsTheKey) {
    SKIP_WITHOUT_REAL_KEYS();
    test::WindowFixture fixture;
    test::AboutBoxWatcher boxes;
    test::KeyPressCounter atAddress(fixture.window->txtGroup, Qt::Key_F1);
    ASSERT_EQ(QApplication::focusWidget(), fixture.window->txtGroup);
    ASSERT_TRUE(RealKeys({"key", "shift+F1"}));
    // The key reaches the box and the about box opens, in whatever order a loaded machine makes them.
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxes.Opened() >= 1 && atAddress.Count() >= 1; }, 10000));
    EXPECT_EQ(boxes.Opened(), 1);
    EXPECT_EQ(atAddress.Count(), 1);
}

// Presses Return for Start!, plays one way of ending the run, then types a
// new address: it must replace the old one, which the window selected.
TEST(RealKeys, AfterEveryKindOfRunEndTypingReplacesTheAddress) {
    SKIP_WITHOUT_REAL_KEYS();
    const bool slowPage = true;
    const struct {
        const char* name;
        bool slowPage;
        bool saved;
        std::function<bool(RealWindow&)> end;
    } ends[] = {
        {"Escape during a download", slowPage, false,
         [](RealWindow& w) {
             return w.Status().startsWith("Request #") && RealKeys({"key", "Escape"});
         }},
        {"Cancel clicked during a download", slowPage, false,
         [](RealWindow& w) {
             if (!w.Status().startsWith("Request #")) return false;
             const QPoint centre = w.window->cmdCancel->mapToGlobal(w.window->cmdCancel->rect().center());
             return RealKeys(
                 {"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"});
         }},
        {"Cancel in the retry box", !slowPage, false,
         [](RealWindow&) {
             return RealWindow::BoxSaying("Can't download") && RealKeys({"key", "Escape"});
         }},
        {"OK in the summary of a whole run", !slowPage, true,
         [](RealWindow&) {
             return RealWindow::BoxSaying("All done") && RealKeys({"key", "Return"});
         }},
    };
    for (const auto& end : ends) {
        SCOPED_TRACE(end.name);
        RealWindow w;
        if (end.slowPage) {
            ScriptedResponse slow = ScriptedResponse::Ok(w.service.Page(0, 50));
            slow.bodyChunkBytes = 400;
            slow.chunkDelayMs = 40;
            w.service.Http().Enqueue(slow);
        } else if (!end.saved) {
            w.service.Http().Enqueue(ScriptedResponse::Status(500));
        }
        int step = 0;
        WhileRunning script([&] {
            if (step == 0 && RealWindow::BoxSaying("Private posts") && RealKeys({"key", "Return"})) ++step;
            if (step == 1 && end.end(w)) ++step;
            return step == 2;
        });
        ASSERT_EQ(QApplication::focusWidget(), w.window->txtGroup);
        ASSERT_TRUE(RealKeys({"key", "Return"}));  // Start!, the default button
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.window->IsRunning(); }, 20000));
        EXPECT_EQ(step, 2);
        EXPECT_EQ(std::filesystem::exists(w.folders.Folder().File("backup.xml")), end.saved);

        ASSERT_TRUE(RealKeys({"type", "new.example"}));
        QApplication::processEvents();
        EXPECT_EQ(w.window->txtGroup->text(), "new.example");
    }
}

// The program as started for a person: with no window manager to activate its
// window, tabbing back into the address box must still select what was typed.
TEST(RealKeys, AfterStartTabbingBackIntoTheAddressBoxSelectsIt) {
    SKIP_WITHOUT_REAL_KEYS();
    test::FreshUserFolders folders;
    test::ScopedMessages messages;
    {
        frmMain earlier(folders.DataFolder());
        earlier.Load();
        earlier.txtGroup->setText("old.example");
        earlier.SaveSettings();
    }
    ASSERT_TRUE(Main());
    frmMain* w = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<frmMain*>(top); window && window->isVisible()) w = window;
    ASSERT_NE(w, nullptr);
    const std::unique_ptr<frmMain> started(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    // Keys go where the pointer is when nothing has the focus; put it over the window.
    const QPoint centre = w->mapToGlobal(w->rect().center());
    ASSERT_TRUE(RealKeys({"mousemove", QString::number(centre.x()), QString::number(centre.y())}));
    ASSERT_TRUE(RealKeys({"type", "first.example"}));
    ASSERT_TRUE(RealKeys({"key", "Tab"}));
    ASSERT_TRUE(RealKeys({"key", "shift+Tab"}));
    QApplication::processEvents();
    ASSERT_TRUE(RealKeys({"type", "second.example"}));
    QApplication::processEvents();
    EXPECT_EQ(w->txtGroup->text(), "second.example");
}

TEST(RealKeys, AfterTheAboutBoxTypingGoesBackIntoTheAddressBox) {
    SKIP_WITHOUT_REAL_KEYS();
    test::WindowFixture fixture;
    fixture.window->txtGroup->setText("old.example");
    fixture.window->txtGroup->selectAll();
    bool closedByKey = false;
    WhileRunning script([&] {
        auto* box = QApplication::activeModalWidget();
        if (!box || box->objectName() != "AboutBox" || !box->isActiveWindow()) return false;
        closedByKey = RealKeys({"key", "Escape"});
        return true;
    });
    ASSERT_TRUE(RealKeys({"key", "shift+F1"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return closedByKey && !QApplication::activeModalWidget(); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return fixture.window->isActiveWindow(); }, 2000));
    ASSERT_TRUE(RealKeys({"type", "new.example"}));
    QApplication::processEvents();
    EXPECT_EQ(fixture.window->txtGroup->text(), "new.example");
}

}  // namespace
}  // namespace qv
