// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "GuiDoubles.h"
#include "ReadApiServer.h"
#include "qtcore/QtSettingsStore.h"

namespace qv {
namespace {

using test::WhileRunning;
using test::WindowFixture;

int Px(int twips) { return static_cast<int>(twips * QApplication::primaryScreen()->logicalDotsPerInchX() / 1440 + 0.5); }
QRect PxRect(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

TEST(Layout, ControlsStandWhereTheyWereDesigned) {
    WindowFixture fixture;
    frmMain& w = *fixture.window;
    EXPECT_EQ(w.windowTitle(), "Quillvault");
    EXPECT_EQ(w.size(), QSize(Px(4575), Px(5355)));

    // Place in twips within the parent, as designed; the progress panel already centred.
    const struct {
        QWidget* control;
        QWidget* parent;
        QRect designed;
    } controls[] = {
        {w.lblTag[0], &w, PxRect(180, 180, 555, 210)},
        {w.txtGroup, &w, PxRect(900, 120, 3075, 315)},
        {w.cmdGroupAddressHistory, &w, PxRect(4020, 120, 375, 315)},
        {w.fraAuth, &w, PxRect(120, 540, 4335, 1515)},
        {w.lblTag[2], w.fraAuth, PxRect(240, 420, 510, 210)},
        {w.txtEMail, w.fraAuth, PxRect(1200, 360, 2475, 315)},
        {w.lblTag[3], w.fraAuth, PxRect(240, 780, 825, 210)},
        {w.txtPassword, w.fraAuth, PxRect(1200, 720, 2475, 315)},
        {w.cmdEMailHistory, w.fraAuth, PxRect(3720, 360, 375, 315)},
        {w.chkAnonymous, w.fraAuth, PxRect(1200, 1140, 2055, 210)},
        {w.fraAuth2, &w, PxRect(120, 2160, 4335, 915)},
        {w.lblTag[1], w.fraAuth2, PxRect(240, 420, 825, 210)},
        {w.txtPassword2, w.fraAuth2, PxRect(1200, 360, 2475, 315)},
        {w.fraMiscOptions, &w, PxRect(120, 3180, 4335, 1455)},
        {w.chkAddDateTimeToFileName, w.fraMiscOptions, PxRect(180, 360, 2955, 255)},
        {w.chkApplyNTFSCompression, w.fraMiscOptions, PxRect(180, 660, 3915, 315)},
        {w.chkIncrementalBackup, w.fraMiscOptions, PxRect(180, 1020, 1935, 315)},
        {w.cmdProxySetup, &w, PxRect(180, 4800, 1095, 435)},
        {w.cmdStart, &w, PxRect(1860, 4800, 1215, 435)},
        {w.cmdCancel, &w, PxRect(3180, 4800, 1215, 435)},
        {w.pnlProgress, &w, PxRect(750, 2220, 3075, 915)},
        {w.pnlProgressInner, w.pnlProgress, PxRect(120, 120, 2835, 675)},
        {w.lblTag[5], w.pnlProgressInner, PxRect(120, 120, 2595, 495)},
    };
    for (const auto& each : controls) {
        ASSERT_NE(each.control, nullptr);
        SCOPED_TRACE(each.control->objectName().toStdString());
        EXPECT_EQ(each.control->parentWidget(), each.parent);
        EXPECT_EQ(each.control->geometry(), each.designed);
    }
    EXPECT_EQ(w.lblTag[4], nullptr);

    const std::pair<QWidget*, QString> captions[] = {
        {w.lblTag[0], "Group:"},
        {w.lblTag[2], "E-Mail:"},
        {w.lblTag[3], "Password:"},
        {w.lblTag[1], "Password:"},
        {w.cmdGroupAddressHistory, "H!"},
        {w.cmdEMailHistory, "H!"},
        {w.cmdProxySetup, "Proxy..."},
        {w.cmdStart, "Start!"},
        {w.cmdCancel, "Exit"},
        {w.chkAnonymous, "Anonymous access"},
        {w.chkAddDateTimeToFileName, "Add date and time to file name"},
        {w.chkApplyNTFSCompression, "Apply NTFS compression for saved XML file"},
        {w.chkIncrementalBackup, "Incremental backup"},
    };
    for (const auto& [control, caption] : captions) EXPECT_EQ(control->property("text").toString(), caption);
    EXPECT_EQ(w.fraAuth->title(), " Authorization (optional) ");
    EXPECT_EQ(w.fraAuth2->title(), " For password protected blogs ");
    EXPECT_EQ(w.fraMiscOptions->title(), " Misc options ");
    EXPECT_EQ(w.cmdGroupAddressHistory->toolTip(), " History ");
    EXPECT_EQ(w.cmdEMailHistory->toolTip(), " History ");
    EXPECT_TRUE(w.txtGroup->toolTip().startsWith(" Blog's address, e.g. "));
    EXPECT_TRUE(w.txtGroup->toolTip().endsWith(", etc. "));
    EXPECT_EQ(w.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.txtPassword2->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.txtEMail->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(w.cmdStart->isDefault());
    EXPECT_EQ(w.windowIcon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));

    EXPECT_EQ(w.pnlProgress->metaObject()->className(), std::string("Bevelpane::Panel"));
    EXPECT_EQ(w.pnlProgress->property("BorderStyle").toInt(), 4);
    EXPECT_EQ(w.pnlProgressInner->property("BorderStyle").toInt(), 3);
    EXPECT_FALSE(w.pnlProgress->isVisible());
    test::Keep(w, "idle");
}

TEST(Layout, TabbingVisitsTheControlsInDesignOrder) {
    WindowFixture fixture;
    frmMain& w = *fixture.window;
    w.chkAnonymous->setChecked(false);
    w.txtGroup->setFocus();
    const std::vector<QWidget*> expected = {w.cmdGroupAddressHistory, w.txtEMail, w.txtPassword, w.cmdEMailHistory,
                                            w.chkAnonymous, w.txtPassword2, w.chkAddDateTimeToFileName,
                                            w.chkApplyNTFSCompression, w.chkIncrementalBackup, w.cmdProxySetup,
                                            w.cmdStart, w.cmdCancel, w.txtGroup};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST(Focus, AddressBoxStartsFocusedAndOnlyTheRightBoxesSelectTheirText) {
    test::FreshUserFolders folders;
    {
        // A stored address is selected at start-up.
        frmMain first(folders.DataFolder());
        first.Load();
        first.txtGroup->setText("myblog.example");
        first.SaveSettings();
    }
    test::ScopedMessages messages;
    frmMain w(folders.DataFolder());
    w.Load();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), w.txtGroup);
    EXPECT_EQ(w.txtGroup->selectedText(), "myblog.example");

    w.chkAnonymous->setChecked(false);
    w.txtPassword->setText("first");
    w.txtPassword2->setText("second");
    w.cmdEMailHistory->setFocus();
    QTest::keyClick(w.cmdEMailHistory, Qt::Key_Backtab);  // into the account password
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), w.txtPassword);
    EXPECT_TRUE(w.txtPassword->hasSelectedText());
    w.chkAnonymous->setFocus();
    QTest::keyClick(w.chkAnonymous, Qt::Key_Tab);  // into the blog password
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), w.txtPassword2);
    EXPECT_FALSE(w.txtPassword2->hasSelectedText());
}

// Presses F1 at the window, the way the platform delivers keys, and counts
// the about boxes that come up.
int AboutBoxesOpenedBy(frmMain& w, Qt::KeyboardModifiers modifiers) {
    test::AboutBoxWatcher boxes;
    QTest::keyClick(w.windowHandle(), Qt::Key_F1, modifiers);
    QTest::qWait(200);
    return boxes.Opened();
}

TEST(AboutBox, ShiftF1AloneOpensOneWhileIdleOnlyAndTheFocusedBoxStillGetsTheKey) {
    test::ReadApiServer service;
    WindowFixture fixture;
    frmMain& w = *fixture.window;
    test::KeyPressCounter atAddress(w.txtGroup, Qt::Key_F1);
    EXPECT_EQ(AboutBoxesOpenedBy(w, Qt::ShiftModifier), 1);
    EXPECT_EQ(atAddress.Count(), 1);
    EXPECT_EQ(AboutBoxesOpenedBy(w, Qt::ShiftModifier | Qt::ControlModifier), 0);
    EXPECT_EQ(AboutBoxesOpenedBy(w, Qt::NoModifier), 0);
    EXPECT_EQ(atAddress.Count(), 3);

    test::Blog blog;
    blog.posts = test::MakePosts(60, 5000);
    service.SetBlog(blog);
    w.txtGroup->setText(QString::fromStdString(service.Address()));
    w.chkAnonymous->setChecked(true);
    fixture.dialogs->QueueChoice(fixture.folders.Folder().File("b.xml"));
    fixture.messages->QueueAnswer(mrOK);
    test::AboutBoxWatcher boxes;
    bool pressedWhileRunning = false;
    WhileRunning during([&] {
        if (!w.IsRunning()) return false;
        QTest::keyClick(w.windowHandle(), Qt::Key_F1, Qt::ShiftModifier);
        QApplication::processEvents();
        pressedWhileRunning = true;
        return true;
    });
    w.cmdStart->click();
    QTest::qWait(50);
    EXPECT_TRUE(pressedWhileRunning);
    EXPECT_EQ(boxes.Opened(), 0);
}

TEST(Unload, EscapeInTheIdleWindowClosesItAndKeepsHistoriesAndSettings) {
    WindowFixture fixture;
    frmMain& w = *fixture.window;
    w.GroupAddressHistory.Add("first.example");
    w.EMailHistory.Add("me@example.com");
    w.txtGroup->setText("first.example");
    QTest::keyClick(w.txtGroup, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());

    const std::string folder = fixture.folders.DataFolder();
    EXPECT_EQ(test::ReadAll(folder + "/Group Adress History.DAT"), "first.example\n");
    EXPECT_EQ(test::ReadAll(folder + "/E-Mail History.DAT"), "me@example.com\n");
    bool found = false;
    const auto stored = App().MakeSettingsStore()->ReadValue("", "Last Group Address", skText, std::string(), App(), true, found);
    EXPECT_TRUE(found);
    EXPECT_EQ(std::get<std::string>(stored), "first.example");
}

TEST(Screens, TheRunningWindowShowsTheFramedProgressOverTheFrames) {
    test::ReadApiServer service;
    test::Blog blog;
    blog.posts = test::MakePosts(120, 9000);
    service.SetBlog(blog);
    WindowFixture fixture;
    frmMain& w = *fixture.window;
    w.txtGroup->setText(QString::fromStdString(service.Address()));
    w.chkAnonymous->setChecked(true);
    fixture.dialogs->QueueChoice(fixture.folders.Folder().File("b.xml"));
    fixture.messages->QueueAnswer(mrOK);
    QImage running;
    WhileRunning during([&] {
        if (!fixture.Status().startsWith("Request #2")) return false;
        running = w.grab().toImage();
        test::Keep(running, "running");
        return true;
    });
    w.cmdStart->click();
    ASSERT_FALSE(running.isNull());
    ASSERT_EQ(running.devicePixelRatio(), 1.0);

    // Both bevels, whole, where the panels stand: the raised outer one over the
    // frames, the inset inner one inside it.
    const QRect outer = w.pnlProgress->geometry();
    const QRect inner = w.pnlProgressInner->geometry().translated(outer.topLeft());
    EXPECT_EQ(test::WrongBevelPixels(running, outer, w.pnlProgress->palette(), true), 0);
    EXPECT_EQ(test::WrongBevelPixels(running, inner, w.pnlProgress->palette(), false), 0);
    // The progress text is there too: dark pixels on the inner panel's face.
    const QRect text = w.lblTag[5]->geometry().translated(inner.topLeft());
    int dark = 0;
    for (int y = text.top(); y <= text.bottom(); ++y)
        for (int x = text.left(); x <= text.right(); ++x) dark += qGray(running.pixel(x, y)) < 96;
    EXPECT_GT(dark, 50);
}

}  // namespace
}  // namespace qv
