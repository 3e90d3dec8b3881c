// SPDX-License-Identifier: GPL-3.0-or-later
// A newcomer's first steps in the Library, on the keyboard: an empty list that
// says what to do, a blog backed up from its address, a file that is there
// already, and an opener that fails.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "LibraryTestSupport.h"
#include "MediaServer.h"
#include "V2ApiServer.h"
#include "catalog/BackupCatalog.h"
#include "library/BackupDialog.h"
#include "library/SignInJob.h"

namespace qv {
namespace {

using Column = library::BackupTableModel::Column;
using test::ReadAll;
using test::ScriptedResponse;
using test::Service;

class FirstBackup : public test::LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        SetVariable("HOME", home.File("home"));
        std::filesystem::create_directories(home.File("home"));
    }

    // Alt+B, the address typed (or pasted) into the box that has the focus.
    library::BackupDialog& OpenDialogAndType(const QString& address) {
        PressAlt(Qt::Key_B);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return window->OpenBackupDialog() && window->OpenBackupDialog()->isVisible(); }));
        library::BackupDialog& dialog = *window->OpenBackupDialog();
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &dialog; }));
        EXPECT_EQ(QApplication::focusWidget(), dialog.Address()) << "the address box has the focus";
        QTest::keyClicks(QApplication::focusWidget(), address);
        return dialog;
    }

    void PressEnter() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }

    QString Details() const { return window->Details()->toPlainText(); }

    // The posts a backup file holds.
    static int PostsIn(const std::string& file) {
        const std::string text = ReadAll(file);
        int posts = 0;
        for (std::size_t at = 0; (at = text.find("<post ", at)) != std::string::npos; ++at) ++posts;
        return posts;
    }
};

TEST_F(FirstBackup, AnEmptyLibrarySaysWhatToDoAndAPastedAddressAndEnterSaveABackupListedAndSelected) {
    test::Blog blog;
    blog.posts = test::MakePosts(200, 700000, 3);
    Service().SetBlog(blog);
    // The second page comes slowly, so the run is seen under way.
    ScriptedResponse slow = ScriptedResponse::Ok(Service().Page(50, 50));
    slow.bodyChunkBytes = 1000;
    slow.chunkDelayMs = 100;
    Service().Http().Enqueue({ScriptedResponse::Ok(Service().Page(0, 50)), slow});
    OpenLibrary();
    EXPECT_EQ(window->Model().rowCount(), 0);
    EXPECT_EQ(window->Table()->EmptyText(),
              "No backups yet. Back up a blog, or add a backup file saved earlier.");
    EXPECT_EQ(QApplication::focusWidget(), &Button("&Back up a blog…"));
    EXPECT_FALSE(Button("&Update now").isEnabled());
    test::KeepScreenshot(window->grab().toImage(), "library-empty");

    const QString address = QString::fromStdString("http://" + Service().Address() + "/");
    library::BackupDialog& dialog = OpenDialogAndType(address);
    const std::string target = home.File("home/Quillvault/" + Service().Address() + ".xml");
    EXPECT_EQ(dialog.File()->text().toStdString(), target)
        << "proposed in ~/Quillvault, named after the blog";
    test::KeepScreenshot(dialog.grab().toImage(), "backup-dialog");
    PressEnter();

    // At once: its row, selected, with the run's progress.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->OpenBackupDialog(); }));
    ASSERT_NE(window->Selected(), nullptr);
    EXPECT_EQ(window->Selected()->entry.path, target);
    EXPECT_TRUE(window->Jobs().Running(target));
    EXPECT_TRUE(Details().contains(QString::fromStdString(Service().Address() + " -o " + target + " --json")))
        << Details().toStdString();
    const auto percent = [&] {
        return window->Model()
            .index(window->Model().RowOf(target), Column::Job)
            .data(library::BackupTableModel::PercentRole);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return percent().isValid(); }, 60'000)) << Details().toStdString();
    EXPECT_EQ(Cell(target, Column::Job), "Page 1 of 4");
    test::KeepScreenshot(window->grab().toImage(), "library-first-backup");

    ASSERT_TRUE(WaitForJobEnd(target)) << Details().toStdString();
    EXPECT_TRUE(window->Jobs().State(target)->succeeded) << Details().toStdString();
    EXPECT_EQ(PostsIn(target), 200);
    ASSERT_EQ(catalog::Load(DataFolder()).entries.size(), 1u) << "the command line listed it";
    ASSERT_NE(window->Selected(), nullptr);
    EXPECT_EQ(window->Selected()->entry.path, target);
    EXPECT_FALSE(window->Selected()->pending);
    EXPECT_EQ(Cell(target, Column::Posts), "200");
    EXPECT_EQ(Cell(target, Column::Job), "Saved: 200 posts");
    // A message of several lines ("Sorting posts…", "Stage 1 of 3") stays under its time.
    const QRegularExpression timed("^(\\d\\d:\\d\\d:\\d\\d  \\S| {10})");
    for (const QString& line : Details().split('\n'))
        EXPECT_TRUE(timed.match(line).hasMatch()) << line.toStdString();
    EXPECT_TRUE(Details().contains("\n          Stage 3 of 3")) << Details().toStdString();
    EXPECT_TRUE(Button("&Update now").isEnabled());
    test::KeepScreenshot(window->grab().toImage(), "library-first-backup-saved");
}

TEST_F(FirstBackup, MediaTheOfflineViewAndTheDailyUpdateTickedInTheDialogComeWithIt) {
    test::MediaServer media;
    test::Blog blog;
    for (int i = 0; i < 3; ++i) {
        const std::string path = "/photos/" + std::to_string(i) + ".jpg";
        // They come slowly, so the media are seen being kept.
        media.AddFile(path, test::MediaBytes(3000, path), 3000);
        blog.posts.push_back("<post id=\"" + std::to_string(800 - i) +
                             "\" type=\"photo\"><photo-url max-width=\"1280\">" + media.Url(path) +
                             "</photo-url></post>");
    }
    Service().SetBlog(blog);
    SetVariable("QUILLVAULT_SYSTEMCTL", "true");
    OpenLibrary();

    library::BackupDialog& dialog = OpenDialogAndType(QString::fromStdString(Service().Address()));
    const std::string target = dialog.File()->text().toStdString();
    for (const Qt::Key key : {Qt::Key_M, Qt::Key_V, Qt::Key_D})
        QTest::keyClick(dialog.windowHandle(), key, Qt::AltModifier);
    // A mnemonic ticks its box a moment later, as a click does.
    const QList<QCheckBox*> boxes = dialog.findChildren<QCheckBox*>();
    ASSERT_EQ(boxes.size(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::all_of(boxes.begin(), boxes.end(), [](QCheckBox* box) { return box->isChecked(); });
    }));
    PressEnter();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->OpenBackupDialog(); }));
    // Listed once saved; its media folder has none listed yet while the first are on their way.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Cell(target, Column::Media) == "being kept…"; }, 60'000))
        << Cell(target, Column::Media).toStdString() << "\n"
        << Details().toStdString();
    ASSERT_TRUE(WaitForJobEnd(target)) << Details().toStdString();
    EXPECT_TRUE(window->Jobs().State(target)->succeeded) << Details().toStdString();
    EXPECT_TRUE(Details().contains(" --json --media --html")) << Details().toStdString();
    EXPECT_EQ(Cell(target, Column::Job), "Saved: 3 posts; media kept: 3 new; offline view written");
    EXPECT_EQ(Cell(target, Column::Media), "3 kept");
    EXPECT_EQ(Cell(target, Column::OfflineView), "up to date");
    // Once saved and listed, it is updated every day.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const int row = window->Model().RowOf(target);
        return row >= 0 && window->Model().At(row)->daily && !window->Reading();
    }));
    EXPECT_TRUE(messages->Shown().empty()) << messages->Shown()[0].Text;
}

TEST_F(FirstBackup, AFileThereAlreadyIsExtendedOrReplacedOrAnotherNameIsChosen) {
    test::Blog blog;
    blog.posts = test::MakePosts(60, 500000, 5);
    Service().SetBlog(blog);
    const std::string target = files.File(Service().Address() + ".xml");
    ASSERT_EQ(test::RunCli(
                  {QString::fromStdString(Service().Address()), "-o", QString::fromStdString(target), "-q"})
                  .exitCode,
              0);
    // The service now lists 7 new posts and has lost the 50 oldest.
    blog.posts = test::MakePosts(7, 900000, 5);
    const std::vector<std::string> kept = test::MakePosts(10, 500000, 5);
    blog.posts.insert(blog.posts.end(), kept.begin(), kept.end());
    Service().SetBlog(blog);
    OpenLibrary();

    // Proposed beside the most recent backup, where the file is: not overwritten without asking.
    library::BackupDialog& dialog = OpenDialogAndType(QString::fromStdString(Service().Address()));
    EXPECT_EQ(dialog.File()->text().toStdString(), target);
    questions->QueueChoice(2);  // choose another name
    PressEnter();
    ASSERT_EQ(questions->offered.size(), 1u);
    EXPECT_TRUE(questions->offered[0].text.contains(QString::fromStdString(target)));
    ASSERT_TRUE(window->OpenBackupDialog()) << "the dialog stays for another name";
    EXPECT_EQ(QApplication::focusWidget(), dialog.File());
    EXPECT_FALSE(dialog.Problem().isEmpty());
    EXPECT_EQ(PostsIn(target), 60);

    questions->QueueChoice(0);  // extend it
    PressEnter();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->OpenBackupDialog(); }));
    ASSERT_TRUE(WaitForJobEnd(target)) << Details().toStdString();
    EXPECT_TRUE(window->Jobs().State(target)->succeeded) << Details().toStdString();
    EXPECT_TRUE(Details().contains(QString::fromStdString(" -i " + target))) << Details().toStdString();
    EXPECT_EQ(PostsIn(target), 67) << "extended: the earlier posts stay";
    EXPECT_EQ(Cell(target, Column::Posts), "67");

    OpenDialogAndType(QString::fromStdString(Service().Address()));
    questions->QueueChoice(1);  // replace it
    PressEnter();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->OpenBackupDialog(); }));
    ASSERT_TRUE(WaitForJobEnd(target)) << Details().toStdString();
    EXPECT_TRUE(window->Jobs().State(target)->succeeded) << Details().toStdString();
    EXPECT_EQ(PostsIn(target), 17) << "replaced: what the service lists now";
    EXPECT_EQ(window->Model().rowCount(), 1);
}

TEST_F(FirstBackup, AnAddressThatIsNoBlogsIsRefusedInTheDialogAndAnOpenerThatFailsSaysWhereToLook) {
    const std::string file = files.File("blog.xml");
    ASSERT_EQ(
        test::RunCli({QString::fromStdString(Service().Address()), "-o", QString::fromStdString(file), "-q"})
            .exitCode,
        0);
    OpenLibrary();
    library::BackupDialog& dialog = OpenDialogAndType("https://myblog.example.com/post/123");
    PressEnter();
    ASSERT_TRUE(window->OpenBackupDialog());
    EXPECT_TRUE(dialog.Problem().contains("without a path")) << dialog.Problem().toStdString();
    EXPECT_EQ(QApplication::focusWidget(), dialog.Address());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->OpenBackupDialog(); }));
    EXPECT_EQ(window->Model().rowCount(), 1);

    // A desktop whose opener fails: the path to open by hand is said, and on the clipboard.
    const std::string opener = home.File("failing-opener.sh");
    test::WriteAll(opener, "#!/bin/sh\nexit 3\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    SetVariable("QUILLVAULT_OPENER", opener);
    ASSERT_TRUE(window->Select(file));
    PressAlt(Qt::Key_F);
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages->Shown().size() == 1; }));
    const std::string said = messages->Shown()[0].Text;
    EXPECT_NE(said.find("exit status 3"), std::string::npos) << said;
    EXPECT_NE(said.find(files.Path().string()), std::string::npos) << said;
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), files.Path().string());
}

// Through the service's v2 API, with a keyring of the test's own (private-session.sh).
class LibraryV2 : public FirstBackup {
protected:
    void SetUp() override {
        FirstBackup::SetUp();
        if (!std::getenv("QUILLVAULT_TEST_KEYRING"))
            GTEST_SKIP() << "no private keyring (private-session.sh)";
        // The stand-in's addresses for every run, as a mirror's would be given.
        const std::string cli = home.File("quillvault-cli");
        test::WriteAll(cli, "#!/bin/sh\nexec '" + std::string(QV_CLI_EXECUTABLE) + "' \"$@\" --api-base " +
                                v2.BaseUrl() + " --oauth-base " + v2.BaseUrl() + "\n");
        // A browser that allows the sign-in, as a person would.
        const std::string browser = home.File("browser");
        test::WriteAll(browser, "#!/bin/sh\nexec curl --silent --location --output /dev/null \"$1\"\n");
        for (const std::string& program : {cli, browser})
            std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        SetVariable("QUILLVAULT_CLI", cli);
        SetVariable("BROWSER", browser + " %s");
    }

    // Reads through the v2 API with the stand-in's key and secret, and presses Sign in….
    void SignInFrom(library::BackupDialog& dialog) {
        const auto alt = [&](Qt::Key key) { QTest::keyClick(dialog.windowHandle(), key, Qt::AltModifier); };
        alt(Qt::Key_H);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);  // the v2 API
        alt(Qt::Key_K);
        QTest::keyClicks(QApplication::focusWidget(), test::V2ApiServer::kConsumerKey);
        alt(Qt::Key_C);
        QTest::keyClicks(QApplication::focusWidget(), test::V2ApiServer::kConsumerSecret);
        alt(Qt::Key_N);
    }

    test::V2ApiServer v2;
};

TEST_F(LibraryV2, TheDialogSignsInThroughTheBrowserReadsThroughTheV2ApiAndTheKeyringKeepsWhatItsUpdatesNeed) {
    test::Blog blog;
    blog.posts = test::MakePosts(45, 5000);
    Service().SetBlog(blog);
    v2.SetBlog(Service().CurrentBlog());
    v2.SetLoginOnly(true);  // read by a signed-in reader only
    OpenLibrary();

    library::BackupDialog& dialog = OpenDialogAndType("testblog.example");
    const std::string target = dialog.File()->text().toStdString();
    SignInFrom(dialog);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return dialog.SignInOutcome().startsWith("Signed in as") ||
                   dialog.SignInOutcome().startsWith("Not");
        },
        60'000));
    EXPECT_EQ(dialog.SignInOutcome(), "Signed in as testuser.");
    test::KeepScreenshot(dialog.grab().toImage(), "backup-dialog-v2");

    PressEnter();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->OpenBackupDialog(); }));
    ASSERT_TRUE(WaitForJobEnd(target)) << Details().toStdString();
    EXPECT_TRUE(window->Jobs().State(target)->succeeded) << Details().toStdString();
    EXPECT_EQ(PostsIn(target), 45);
    EXPECT_TRUE(Details().contains(" --json --api v2 --keyring")) << Details().toStdString();
    const std::string listed = ReadAll(catalog::CatalogFile(DataFolder()));
    for (const char* secret : {test::V2ApiServer::kConsumerKey, test::V2ApiServer::kConsumerSecret}) {
        EXPECT_FALSE(Details().contains(secret)) << "never on a command line";
        EXPECT_EQ(listed.find(secret), std::string::npos) << "never in library.json";
        EXPECT_EQ(ReadAll(target).find(secret), std::string::npos) << "never in the backup";
    }
    ASSERT_EQ(catalog::Load(DataFolder()).entries.size(), 1u);
    EXPECT_EQ(catalog::Load(DataFolder()).entries[0].api, "v2");
    EXPECT_TRUE(catalog::Load(DataFolder()).entries[0].signedIn);

    // Its update finds the key, the secret and the sign-in where they were kept.
    const test::Blog before = Service().CurrentBlog();
    blog.posts = test::MakePosts(3, 9000);
    blog.posts.insert(blog.posts.end(), before.posts.begin(), before.posts.end());
    Service().SetBlog(blog);
    v2.SetBlog(Service().CurrentBlog());
    PressAlt(Qt::Key_U);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Jobs().State(target, library::JobKind::Update); }));
    ASSERT_TRUE(WaitForJobEnd(target)) << Details().toStdString();
    EXPECT_TRUE(window->Jobs().State(target)->succeeded) << Details().toStdString();
    EXPECT_EQ(PostsIn(target), 48);
}

// A person who never allows it in the browser: Enter waits for the sign-in,
// Esc closes the dialog at once and the sign-in ends beside the window.
TEST_F(LibraryV2, ASignInUnderWayHoldsTheBackupBackAndEscStopsItWithoutHoldingTheWindow) {
    const std::string browser = home.File("idle-browser");
    test::WriteAll(browser, "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(browser, std::filesystem::perms::owner_all);
    SetVariable("BROWSER", browser + " %s");
    OpenLibrary();

    library::BackupDialog& dialog = OpenDialogAndType("testblog.example");
    SignInFrom(dialog);
    // The address it opened is said once the command line waits for the browser.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.SignInOutcome().contains("open this address"); }, 60'000))
        << dialog.SignInOutcome().toStdString();
    ASSERT_TRUE(dialog.SigningIn());
    QTest::keyClick(dialog.windowHandle(), Qt::Key_Return);
    EXPECT_EQ(window->OpenBackupDialog(), &dialog);
    EXPECT_EQ(dialog.Problem(), "Signing in is under way: allow it in the browser first.");
    EXPECT_FALSE(window->Jobs().Running(dialog.File()->text().toStdString()));

    QTest::keyClick(dialog.windowHandle(), Qt::Key_Escape);
    // Handed to the window, not waited for.
    EXPECT_EQ(window->findChildren<library::SignInJob*>(Qt::FindDirectChildrenOnly).size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->OpenBackupDialog(); }));
    // Stopped, it ends and goes.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window->findChildren<library::SignInJob*>().isEmpty(); }, 60'000));
}

}  // namespace
}  // namespace qv
