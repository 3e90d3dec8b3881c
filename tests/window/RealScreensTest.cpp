// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "GuiDoubles.h"
#include "ReadApiServer.h"
#include "RealKeys.h"
#include "widgets/ProxySettingsDialog.h"

namespace qv {
namespace {

using test::WhileRunning;

// What the X server shows of a window: its pixels on the screen, not Qt's own rendering.
QImage OnScreen(QWidget& window) {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();
    return window.screen()->grabWindow(window.winId()).toImage();
}

// The window idle and during a run, the about box and the proxy dialog, as a
// person sees them on a real X server with the program's own face; each kept
// as a picture (the README shows them).
TEST(RealScreens, TheWindowItsAboutBoxAndItsProxyDialog) {
    SKIP_WITHOUT_X_SERVER();
    test::ReadApiServer service;
    test::Blog blog;
    blog.posts = test::MakePosts(120, 8000);
    service.SetBlog(blog);
    test::WindowFixture fixture;
    frmMain& w = *fixture.window;
    // The blog is reached through the loopback server as a proxy, so the
    // pictures show an address a person would type.
    ProxySettings proxy;
    proxy.ProxyMode = ProxySettings::pmManual;
    proxy.Host = "127.0.0.1";
    proxy.Port = service.Http().Port();
    proxy.Save("HTTP Proxy", App(), true);
    w.chkAnonymous->setChecked(false);
    w.txtGroup->setText("myblog.example");
    w.txtEMail->setText("me@example.com");
    w.txtPassword->setText("secret");
    w.txtGroup->setFocus();
    w.txtGroup->selectAll();

    const QImage idle = OnScreen(w);
    ASSERT_EQ(idle.size(), w.size());
    test::Keep(idle, "window-idle");

    // The about box names the program where it is installed, not this test.
    const Application testProgram = App();
    App().ExeFolder = "/usr/local/bin";
    App().ExeName = "quillvault";
    QImage about;
    QString aboutFace;
    WhileRunning aboutBox([&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || box->objectName() != "AboutBox") return false;
        about = OnScreen(*box);
        aboutFace = QFontInfo(box->findChild<QWidget*>("qt_msgbox_label")->font()).family();
        box->close();
        return true;
    });
    QTest::keyClick(w.windowHandle(), Qt::Key_F1, Qt::ShiftModifier);
    const bool aboutShown =
        QTest::qWaitFor([&] { return !about.isNull() && !QApplication::activeModalWidget(); }, 5000);
    App() = testProgram;
    ASSERT_TRUE(aboutShown);
    EXPECT_EQ(aboutFace, QFontInfo(w.font()).family());
    test::Keep(about, "about-box");

    QImage dialog;
    QString dialogStars;
    ProxySettingsDialog::AnswerNext([&](ProxySettingsDialog& shown) {
        dialog = OnScreen(shown);
        dialogStars = shown.findChild<QLineEdit*>("txtPassword")->displayText();
    });
    ProxySettings shownProxy;
    shownProxy.ProxyMode = ProxySettings::pmManual;
    shownProxy.Host = "proxy.example";
    shownProxy.Port = 3128;
    shownProxy.User = "me";
    shownProxy.Password = "secret";
    shownProxy.EditDialog();
    ASSERT_FALSE(dialog.isNull());
    EXPECT_EQ(dialogStars, "******");
    test::Keep(dialog, "proxy-dialog");

    fixture.dialogs->QueueChoice(fixture.folders.Folder().File("myblog.xml"));
    fixture.messages->QueueAnswer(mrOK);
    QImage running;
    WhileRunning during([&] {
        if (!fixture.Status().startsWith("Request #2")) return false;
        running = OnScreen(w);
        return true;
    });
    w.cmdStart->click();
    ASSERT_FALSE(running.isNull());
    test::Keep(running, "window-running");
    const QRect outer = w.pnlProgress->geometry();
    const QRect inner = w.pnlProgressInner->geometry().translated(outer.topLeft());
    EXPECT_EQ(test::WrongBevelPixels(running, outer, w.pnlProgress->palette(), true), 0);
    EXPECT_EQ(test::WrongBevelPixels(running, inner, w.pnlProgress->palette(), false), 0);
    EXPECT_TRUE(std::filesystem::exists(fixture.folders.Folder().File("myblog.xml")));
    EXPECT_EQ(service.ApiRequests().size(), 3u);
}

}  // namespace
}  // namespace qv
