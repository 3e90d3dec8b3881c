#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "GuiDoubles.h"
#include "QtSettingsStore.h"
#include "ReadApiServer.h"

namespace qv {
namespace {

using test::WhileRunning;
using test::WindowFixture;

int Px(int twips) { return static_cast<int>(twips * QApplication::primaryScreen()->logicalDotsPerInchX() / 1440 + 0.5); }

// Writes what the user sees to the screenshots folder, for a person to look at.
void Keep(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("QV_SCREENSHOTS", QDir::tempPath());
    QDir().mkpath(folder);
    window.grab().save(folder + "/" + name + ".png");
}

TEST(Layout, ControlsStandWhereTheyWereDesigned) {
    WindowFixture fixture;
    frmMain& w = *fixture.window;
    EXPECT_EQ(w.windowTitle(), "Quillvault");
    EXPECT_EQ(w.size(), QSize(Px(4575), Px(5355)));
    EXPECT_EQ(w.txtGroup->geometry(), QRect(Px(900), Px(120), Px(3075), Px(315)));
    EXPECT_EQ(w.txtEMail->parentWidget(), w.fraAuth);
    EXPECT_EQ(w.chkIncrementalBackup->geometry(), QRect(Px(180), Px(1020), Px(1935), Px(315)));
    EXPECT_EQ(w.cmdCancel->geometry(), QRect(Px(3180), Px(4800), Px(1215), Px(435)));
    EXPECT_EQ(w.fraAuth->title(), " Authorization (optional) ");
    EXPECT_EQ(w.fraAuth2->title(), " For password protected blogs ");
    EXPECT_EQ(w.fraMiscOptions->title(), " Misc options ");
    EXPECT_EQ(w.cmdGroupAddressHistory->toolTip(), " History ");
    EXPECT_TRUE(w.txtGroup->toolTip().startsWith(" Blog's address, e.g. "));
    EXPECT_TRUE(w.txtGroup->toolTip().endsWith(", etc. "));
    EXPECT_EQ(w.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.txtPassword2->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.txtEMail->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(w.cmdStart->isDefault());
    EXPECT_EQ(w.font().pointSize(), 9);
    EXPECT_EQ(w.windowIcon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));

    // The progress panel is centred in whole twips and lies above everything.
    EXPECT_EQ(w.pnlProgress->pos(), QPoint(Px(750), Px(2220)));
    EXPECT_EQ(w.pnlProgress->size(), QSize(Px(3075), Px(915)));
    EXPECT_EQ(w.pnlProgressInner->geometry(), QRect(Px(120), Px(120), Px(2835), Px(675)));
    EXPECT_EQ(w.pnlProgress->metaObject()->className(), std::string("Bevelpane::Panel"));
    EXPECT_EQ(w.pnlProgress->property("BorderStyle").toInt(), 4);
    EXPECT_EQ(w.pnlProgressInner->property("BorderStyle").toInt(), 3);
    EXPECT_EQ(w.lblTag[5]->parentWidget(), w.pnlProgressInner);
    EXPECT_FALSE(w.pnlProgress->isVisible());
    EXPECT_EQ(w.lblTag[4], nullptr);
    Keep(w, "idle");
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
        Keep(w, "running");
        return true;
    });
    w.cmdStart->click();
    ASSERT_FALSE(running.isNull());
    // The raised bevel: highlight on the outer top-left, dark shadow at the outer bottom-right.
    const QRect panel = w.pnlProgress->geometry();
    const qreal ratio = running.devicePixelRatio();
    const QColor topLeft = running.pixelColor(QPoint(panel.left() + 5, panel.top()) * ratio);
    const QColor bottomRight = running.pixelColor(QPoint(panel.right(), panel.bottom() - 5) * ratio);
    EXPECT_GT(topLeft.lightness(), bottomRight.lightness());
    EXPECT_NE(running.pixelColor(QPoint(panel.center()) * ratio), QColor(Qt::transparent));
}

}  // namespace
}  // namespace qv
