// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "GuiDoubles.h"
#include "catalog/BackupCatalog.h"
#include "ReadApiServer.h"

namespace qv {
namespace {

using test::ReadApiServer;
using test::ScriptedResponse;
using test::WhileRunning;
using test::WindowFixture;

struct RunFixture : WindowFixture {
    ReadApiServer service;

    explicit RunFixture(int posts = 120) {
        test::Blog blog;
        blog.posts = test::MakePosts(posts, 800000, 2);
        service.SetBlog(blog);
        window->txtGroup->setText(QString::fromStdString(service.Address()));
        window->chkAnonymous->setChecked(true);
    }
    std::string Target() const { return folders.Folder().File("backup.xml"); }
    void SlowSecondPage() {
        ScriptedResponse slow = ScriptedResponse::Ok(service.Page(50, 50));
        slow.bodyChunkBytes = 500;
        slow.chunkDelayMs = 50;
        service.Http().Enqueue({ScriptedResponse::Ok(service.Page(0, 50)), slow});
    }
    // The window's state after a run that was stopped.
    void ExpectIdleAfterStop() {
        EXPECT_FALSE(window->IsRunning());
        EXPECT_FALSE(window->CancelRequested());
        EXPECT_TRUE(window->isVisible()) << "a stop never closes the window";
        EXPECT_EQ(window->cmdCancel->text(), "Exit");
        EXPECT_FALSE(window->pnlProgress->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), window->txtGroup);
        QApplication::processEvents();
        EXPECT_EQ(window->txtGroup->selectedText(), window->txtGroup->text());
        EXPECT_FALSE(std::filesystem::exists(Target()));
        EXPECT_TRUE(messages->Shown().size() == 1) << "only the private-posts question";
    }
};

TEST(StartButton, AnEmptyAddressIsReportedAndNothingStarts) {
    WindowFixture fixture;
    fixture.window->txtGroup->clear();
    fixture.window->cmdStart->click();
    ASSERT_EQ(fixture.messages->Shown().size(), 1u);
    EXPECT_EQ(fixture.messages->Shown()[0].Text, "Group address is missed.");
    EXPECT_EQ(fixture.messages->Shown()[0].Style, mbCritical);
    EXPECT_EQ(fixture.messages->Shown()[0].Title, "Corvane - Quillvault");
    EXPECT_TRUE(fixture.dialogs->requests.empty());
    EXPECT_TRUE(fixture.window->GroupAddressHistory.Entries().isEmpty());
}

TEST(StartButton, CancellingThePreviousBackupDialogShowsNoTargetDialog) {
    RunFixture fixture;
    fixture.window->chkIncrementalBackup->setChecked(true);
    fixture.dialogs->QueueCancel();
    fixture.window->cmdStart->click();
    ASSERT_EQ(fixture.dialogs->requests.size(), 1u);
    EXPECT_FALSE(fixture.dialogs->requests[0].save);
    EXPECT_TRUE(fixture.messages->Shown().empty());
    EXPECT_TRUE(fixture.service.ApiRequests().empty());
}

TEST(StartButton, AWholeRunShowsProgressAndEndsWithTheSummary) {
    RunFixture fixture;
    fixture.window->chkAnonymous->setChecked(true);
    fixture.window->txtEMail->setText("me@example.com");
    fixture.window->txtPassword2->setText("blog pass");
    fixture.dialogs->QueueChoice(fixture.Target());
    fixture.messages->QueueAnswer(mrOK);

    QStringList seen;
    WhileRunning sample([&] {
        if (seen.isEmpty() || seen.back() != fixture.Status()) seen << fixture.Status();
        return false;
    });
    fixture.window->cmdStart->click();

    ASSERT_EQ(fixture.messages->Shown().size(), 2u);
    EXPECT_EQ(fixture.messages->Shown()[0].Text, "Private posts will not be included.");
    EXPECT_TRUE(fixture.messages->Shown()[1].Text.starts_with("All done ^_^\r\n\r\n120 posts in backup."));
    EXPECT_TRUE(std::filesystem::exists(fixture.Target()));

    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.front(), "Preparing...");
    const auto firstProgress = std::find_if(seen.begin(), seen.end(), [](const QString& s) { return s.startsWith("Request #"); });
    ASSERT_NE(firstProgress, seen.end());
    EXPECT_EQ(firstProgress->section('\n', 0, 0), "Request #1");
    EXPECT_TRUE(seen.contains("All done! ^_^v"));

    // The e-mail goes into its history even for an anonymous run, but not to the service.
    EXPECT_EQ(fixture.window->EMailHistory.Entries(), QStringList{"me@example.com"});
    EXPECT_EQ(fixture.window->GroupAddressHistory.Entries(), QStringList{QString::fromStdString(fixture.service.Address())});
    const auto requests = fixture.service.ApiRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].FormFields()[0].second, "");
    ASSERT_TRUE(requests[0].BasicAuth().has_value());
    EXPECT_EQ(requests[0].BasicAuth()->password, "blog pass");
    EXPECT_FALSE(fixture.window->IsRunning());

    // The saved backup is in the Library's list, with what an update needs but no password.
    const catalog::Loaded library = catalog::Load(fixture.folders.DataFolder());
    ASSERT_EQ(library.entries.size(), 1u) << library.warning;
    EXPECT_EQ(library.entries[0].path, fixture.Target());
    EXPECT_EQ(library.entries[0].address, fixture.service.Address());
    EXPECT_EQ(library.entries[0].posts, 120);
    EXPECT_EQ(library.entries[0].email, "") << "an anonymous run";
    EXPECT_TRUE(library.entries[0].blogPassword);
    EXPECT_EQ(test::ReadAll(catalog::CatalogFile(fixture.folders.DataFolder())).find("blog pass"), std::string::npos);
}

TEST(StartButton, AnAddressPastedFromTheBrowserIsTakenAsItsHostAndOneWithAPathIsRefusedAtOnce) {
    RunFixture fixture;
    const QString bare = QString::fromStdString(fixture.service.Address());
    fixture.window->txtGroup->setText("  https://" + bare + "/ ");
    fixture.dialogs->QueueChoice(fixture.Target());
    fixture.messages->QueueAnswer(mrOK);
    fixture.window->cmdStart->click();

    ASSERT_EQ(fixture.dialogs->requests.size(), 1u);
    EXPECT_EQ(fixture.dialogs->requests[0].fileName, bare + ".xml");
    EXPECT_EQ(fixture.window->txtGroup->text(), bare);
    EXPECT_EQ(fixture.window->GroupAddressHistory.Entries(), QStringList{bare});
    ASSERT_EQ(fixture.messages->Shown().size(), 2u);
    EXPECT_TRUE(fixture.messages->Shown()[1].Text.starts_with("All done ^_^\r\n\r\n120 posts in backup."));

    RunFixture withPath;
    withPath.window->txtGroup->setText("https://www.example.com/blog/myblog");
    withPath.window->cmdStart->click();
    ASSERT_EQ(withPath.messages->Shown().size(), 1u);
    EXPECT_EQ(withPath.messages->Shown()[0].Style, mbCritical);
    EXPECT_NE(withPath.messages->Shown()[0].Text.find("without a path"), std::string::npos);
    EXPECT_TRUE(withPath.dialogs->requests.empty()) << "nothing is asked or fetched for an address that can't be one";
    EXPECT_TRUE(withPath.service.ApiRequests().empty());
    EXPECT_TRUE(withPath.window->GroupAddressHistory.Entries().isEmpty());
}

TEST(Stopping, EscapeTheCloseBoxAndCancelEachStopADownload) {
    const std::vector<std::pair<const char*, std::function<void(frmMain&)>>> ways = {
        {"Escape", [](frmMain& w) { QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_Escape); }},
        {"close box", [](frmMain& w) { w.close(); }},
        {"Cancel button", [](frmMain& w) { w.cmdCancel->click(); }},
    };
    for (const auto& [name, stop] : ways) {
        SCOPED_TRACE(name);
        RunFixture fixture;
        fixture.SlowSecondPage();
        fixture.dialogs->QueueChoice(fixture.Target());
        fixture.messages->QueueAnswer(mrOK);
        bool stopped = false;
        WhileRunning during([&] {
            if (!fixture.window->IsRunning() || fixture.service.ApiRequests().size() < 2) return false;
            stop(*fixture.window);
            stopped = true;
            return true;
        });
        fixture.window->cmdStart->click();
        EXPECT_TRUE(stopped);
        fixture.ExpectIdleAfterStop();
    }
}

TEST(Stopping, ASilentServerDoesNotKeepTheWindowFromStopping) {
    RunFixture fixture;
    fixture.service.Http().Enqueue({ScriptedResponse::Ok(fixture.service.Page(0, 50)), ScriptedResponse::Stalled()});
    fixture.dialogs->QueueChoice(fixture.Target());
    fixture.messages->QueueAnswer(mrOK);
    QElapsedTimer sinceCancel;
    WhileRunning during([&] {
        if (!fixture.window->IsRunning() || !fixture.service.Http().WaitForExchanges(2, std::chrono::milliseconds(0)))
            return false;
        fixture.window->cmdCancel->click();
        sinceCancel.start();
        return true;
    });
    fixture.window->cmdStart->click();
    ASSERT_TRUE(sinceCancel.isValid()) << "the window kept handling events while the server was silent";
    EXPECT_LT(sinceCancel.elapsed(), 5000);
    fixture.ExpectIdleAfterStop();
}

TEST(Stopping, ACloseRequestWhilePostsAreSortedIsRefusedAndForgotten) {
    RunFixture fixture;
    fixture.dialogs->QueueChoice(fixture.Target());
    fixture.messages->QueueAnswer(mrOK);
    bool refusedWhileSorting = false;
    WhileRunning during([&] {
        if (!fixture.Status().startsWith("Sorting posts")) return false;
        EXPECT_FALSE(fixture.window->cmdCancel->isEnabled());
        fixture.window->close();
        refusedWhileSorting = fixture.window->isVisible() && fixture.window->CancelRequested();
        return true;
    });
    fixture.window->cmdStart->click();
    EXPECT_TRUE(refusedWhileSorting);
    EXPECT_TRUE(fixture.window->isVisible());
    EXPECT_FALSE(fixture.window->CancelRequested()) << "cleared, so the next run is not stopped at once";
    ASSERT_EQ(fixture.messages->Shown().size(), 2u);
    EXPECT_TRUE(fixture.messages->Shown()[1].Text.starts_with("All done ^_^"));
    EXPECT_TRUE(std::filesystem::exists(fixture.Target()));
}

TEST(ControlStates, FollowTheRunAndTheAnonymousBox) {
    RunFixture fixture;
    frmMain& w = *fixture.window;
    const std::vector<QWidget*> idleOnly = {w.txtGroup, w.lblTag[0], w.fraAuth, w.cmdStart, w.cmdProxySetup,
                                            w.cmdGroupAddressHistory, w.chkAnonymous, w.fraAuth2, w.txtPassword2,
                                            w.lblTag[1], w.fraMiscOptions, w.chkAddDateTimeToFileName,
                                            w.chkApplyNTFSCompression, w.chkIncrementalBackup};
    const std::vector<QWidget*> editableOnly = {w.txtEMail, w.txtPassword, w.cmdEMailHistory, w.lblTag[2], w.lblTag[3]};
    const QColor window = QApplication::palette().color(QPalette::Base);
    const QColor face = QApplication::palette().color(QPalette::Button);

    w.chkAnonymous->setChecked(false);
    for (QWidget* control : idleOnly) EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    for (QWidget* control : editableOnly) EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_EQ(w.txtEMail->palette().color(QPalette::Base), window);

    w.chkAnonymous->setChecked(true);
    for (QWidget* control : editableOnly) EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_EQ(w.txtEMail->palette().color(QPalette::Base), face);
    EXPECT_EQ(w.txtPassword->palette().color(QPalette::Base), face);
    EXPECT_EQ(w.cmdCancel->text(), "Exit");

    w.chkAnonymous->setChecked(false);
    fixture.dialogs->QueueChoice(fixture.Target());
    fixture.messages->QueueAnswer(mrOK);
    bool checked = false;
    WhileRunning during([&] {
        if (!w.IsRunning() || !fixture.Status().startsWith("Request #")) return false;
        for (QWidget* control : idleOnly) EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
        for (QWidget* control : editableOnly) EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
        EXPECT_TRUE(w.cmdCancel->isEnabled());
        EXPECT_EQ(w.cmdCancel->text(), "Cancel");
        EXPECT_EQ(w.txtGroup->palette().color(QPalette::Base), face);
        EXPECT_TRUE(w.pnlProgress->isVisible());
        checked = true;
        return true;
    });
    w.cmdStart->click();
    EXPECT_TRUE(checked);
    for (QWidget* control : idleOnly) EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_TRUE(w.cmdCancel->isEnabled());
}

}  // namespace
}  // namespace qv
