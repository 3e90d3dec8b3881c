// SPDX-License-Identifier: GPL-3.0-or-later
// The Library's jobs, pressed on the keyboard as a user would, each run by
// the real quillvault-cli against the loopback service.
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <functional>

#include "LibraryTestSupport.h"
#include "Manifest.h"
#include "MediaServer.h"
#include "catalog/BackupCatalog.h"

namespace qv {
namespace {

using Column = library::BackupTableModel::Column;
using test::ReadAll;
using test::ScriptedResponse;
using test::Service;

class LibraryJobs : public test::LibraryTest {
protected:
    // A backup of the service's blog as the command line makes it, listed.
    std::string BackupOf(int posts, const QStringList& extra = {}, const std::map<QString, QString>& environment = {}) {
        test::Blog blog;
        blog.posts = test::MakePosts(posts, 500000, 5);
        Service().SetBlog(blog);
        const std::string file = files.File("blog.xml");
        QStringList args = {QString::fromStdString(Service().Address()), "-o", QString::fromStdString(file), "-q"};
        const test::CliRun run = test::RunCli(args + extra, environment);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return file;
    }

    // The service's blog gains `count` posts newer than all it had.
    void Publish(int count) {
        test::Blog blog = Service().CurrentBlog();
        std::vector<std::string> posts = test::MakePosts(count, 900000, 5);
        posts.insert(posts.end(), blog.posts.begin(), blog.posts.end());
        blog.posts = posts;
        Service().SetBlog(blog);
    }

    // A listed backup of `count` photo posts whose pictures `media` holds,
    // each answered after `delayMs(i)`.
    std::string PhotoBackup(test::MediaServer& media, int count,
                            const std::function<int(int)>& delayMs = [](int) { return 0; }) {
        std::string posts;
        for (int i = 0; i < count; ++i) {
            const std::string path = "/photos/" + std::to_string(i) + ".jpg";
            media.AddFile(path, test::MediaBytes(5000, path), delayMs(i));
            posts += "<post id=\"" + std::to_string(9000 - i) + "\" type=\"photo\"><photo-url max-width=\"1280\">" +
                     media.Url(path) + "</photo-url></post>";
        }
        const std::string file = files.File("photos.xml");
        test::WriteAll(file,
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tumblr version=\"1.0\"><tumblelog name=\"photos\" "
                       "title=\"Photographs\"/><posts start=\"0\" total=\"" + std::to_string(count) + "\">" + posts +
                           "</posts></tumblr>\n");
        catalog::CatalogEntry entry;
        entry.path = file;
        entry.address = "photos.example.com";
        entry.title = "Photographs";
        entry.updated = QDateTime::currentSecsSinceEpoch() - 2 * 3600;
        entry.posts = count;
        EXPECT_TRUE(catalog::Record(DataFolder(), entry).ok());
        return file;
    }

    QString Details() const { return window->Details()->toPlainText(); }
};

TEST_F(LibraryJobs, UpdateNowAddsTheNewPostsHandingTheAccountPasswordOverInTheEnvironment) {
    const std::string file = BackupOf(60, {"-e", "me@example.com"}, {{"QUILLVAULT_PASSWORD", "first-Secret"}});
    Publish(7);
    OpenLibrary();
    ASSERT_EQ(Cell(file, Column::Posts), "60");

    questions->QueueAnswer("acct-Secret-4711");
    PressAlt(Qt::Key_U);
    ASSERT_TRUE(WaitForJobEnd(file)) << Details().toStdString();
    EXPECT_TRUE(window->Jobs().State(file)->succeeded) << Details().toStdString();
    EXPECT_EQ(Cell(file, Column::Posts), "67");
    EXPECT_EQ(Cell(file, Column::Job), "Updated: 7 new posts");
    ASSERT_EQ(questions->asked.size(), 1u);
    EXPECT_TRUE(questions->asked[0].secret);
    const auto sent = Service().ApiRequests().back().FormFields();
    EXPECT_EQ(sent[1], (std::pair<std::string, std::string>{"password", "acct-Secret-4711"}));
    EXPECT_FALSE(Details().contains("acct-Secret-4711")) << "the command line shown has no password";
}

TEST_F(LibraryJobs, KeepMediaWritesTheManifest) {
    test::MediaServer media;
    const std::string file = PhotoBackup(media, 3);
    OpenLibrary();
    EXPECT_EQ(Cell(file, Column::Media), "not kept");

    PressAlt(Qt::Key_M);
    ASSERT_TRUE(WaitForJobEnd(file)) << Details().toStdString();
    EXPECT_TRUE(window->Jobs().State(file)->succeeded) << Details().toStdString();
    const auto manifest = media::ParseManifest(ReadAll(files.File("photos.media/manifest.tsv")));
    EXPECT_EQ(manifest.entries.size(), 3u);
    EXPECT_EQ(Cell(file, Column::Media), "3 kept");
}

TEST_F(LibraryJobs, ARunningJobsBarSaysAFewWordsThatFitTheRestGoesBesideAndTheOfflineViewRunsBesideItsMedia) {
    // Beside it, a backup with its offline view and one whose file is gone.
    const std::string blog = BackupOf(120);
    ASSERT_EQ(test::RunCli({"html", QString::fromStdString(blog), "-q"}).exitCode, 0);
    catalog::CatalogEntry gone;
    gone.path = files.File("old/gone.xml");
    gone.address = "gone.example.com";
    gone.title = "A blog moved away";
    gone.updated = QDateTime::currentSecsSinceEpoch() - 40 * 86400;
    gone.posts = 1990;
    gone.announced = 2000;
    ASSERT_TRUE(catalog::Record(DataFolder(), gone).ok());
    // Four pictures come at once, four never do.
    test::MediaServer media;
    const std::string photos = PhotoBackup(media, 8, [](int i) { return i < 4 ? 0 : 60'000; });
    OpenLibrary();
    ASSERT_TRUE(window->Select(photos));

    PressAlt(Qt::Key_M);
    const auto percent = [&] {
        const int row = window->Model().RowOf(photos);
        return window->Model().index(row, Column::Job).data(library::BackupTableModel::PercentRole);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return percent().isValid() && percent().toInt() >= 50; }, 60'000))
        << Details().toStdString();
    const QString words = Cell(photos, Column::Job);
    EXPECT_EQ(words, "Media 4 of 8");
    const QModelIndex job = window->Model().index(window->Model().RowOf(photos), Column::Job);
    const QString all = job.data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(all.startsWith("Keeping media: 4 of 8 files, 19.53 KB, ")) << all.toStdString();
    EXPECT_TRUE(all.endsWith(" left")) << all.toStdString();
    EXPECT_EQ(window->Progress()->text(), all) << "the details pane says all of it too";
    const QImage shot = window->grab().toImage();
    test::KeepScreenshot(shot, "library");
    const QRect cell = window->Table()->visualRect(window->Table()->currentIndex().siblingAtColumn(Column::Job))
                           .translated(window->Table()->viewport()->mapTo(window.get(), QPoint(0, 0)));
    // The bar's filled start and empty end differ, where plain text would leave the cell's background.
    EXPECT_NE(shot.pixel(cell.left() + 5, cell.center().y()), shot.pixel(cell.right() - 5, cell.center().y()));
    // Its words fit inside it, a margin to spare on either side.
    EXPECT_LT(window->Table()->fontMetrics().horizontalAdvance(words), cell.width() - 24);

    // Reading what is kept so far goes beside keeping the rest; a backup run goes alone.
    EXPECT_FALSE(Button("&Update now").isEnabled());
    PressAlt(Qt::Key_O);
    const QString index = QString::fromStdString(files.File("photos.html/index.html"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Opened() == QStringList{index}; }, 60'000))
        << Details().toStdString();
    ASSERT_TRUE(window->Jobs().State(photos, library::JobKind::OfflineView)->succeeded)
        << Details().toStdString();
    EXPECT_TRUE(window->Jobs().State(photos, library::JobKind::Media)->running);
    EXPECT_EQ(Cell(photos, Column::Job), "Media 4 of 8") << "the row shows the job still running";

    PressAlt(Qt::Key_T);
    ASSERT_TRUE(WaitForJobEnd(photos, 60'000));
    EXPECT_EQ(Cell(photos, Column::Job), "Stopped");
    EXPECT_EQ(window->Jobs().State(photos)->lastEnd->Text("status"), "cancelled");
}

TEST_F(LibraryJobs, OpenOfflineViewWritesTheSiteAndCallsTheOpener) {
    const std::string file = BackupOf(30);
    OpenLibrary();
    EXPECT_EQ(Cell(file, Column::OfflineView), "none");

    PressAlt(Qt::Key_O);
    ASSERT_TRUE(WaitForJobEnd(file)) << Details().toStdString();
    EXPECT_TRUE(window->Jobs().State(file)->succeeded) << Details().toStdString();
    const QString index = QString::fromStdString(files.File("blog.html/index.html"));
    EXPECT_TRUE(std::filesystem::exists(index.toStdString()));
    EXPECT_EQ(Cell(file, Column::OfflineView), "up to date");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Opened().size() == 1; }));
    EXPECT_EQ(Opened(), QStringList{index});

    // Up to date: opened again at once, with no job.
    const qsizetype messages = window->Jobs().Messages(file).size();
    PressAlt(Qt::Key_O);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Opened().size() == 2; }));
    EXPECT_EQ(Opened().last(), index);
    EXPECT_EQ(window->Jobs().Messages(file).size(), messages);
}

TEST_F(LibraryJobs, AThrottledRunShowsItsWait) {
    const std::string file = BackupOf(30);
    Publish(3);
    ScriptedResponse throttled = ScriptedResponse::Status(429, "Limit exceeded");
    throttled.headers = {{"Retry-After", "2"}};
    Service().Http().Enqueue(throttled);
    OpenLibrary();
    ASSERT_TRUE(window->Select(file)) << "the command line's save is listed";

    PressAlt(Qt::Key_U);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Cell(file, Column::Job).startsWith("Waiting "); }, 60'000))
        << Details().toStdString();
    EXPECT_TRUE(Cell(file, Column::Job).contains("the service asks to slow down")) << Cell(file, Column::Job).toStdString();
    EXPECT_TRUE(Details().contains("HTTP 429")) << Details().toStdString();
    ASSERT_TRUE(WaitForJobEnd(file));
    EXPECT_TRUE(window->Jobs().State(file)->succeeded) << Details().toStdString();
    EXPECT_EQ(Cell(file, Column::Posts), "33");
}

TEST_F(LibraryJobs, ClosingDuringAJobAsksThenStopsItCleanly) {
    const std::string file = BackupOf(100);
    const std::string before = ReadAll(file);
    Publish(120);
    ScriptedResponse slow = ScriptedResponse::Ok(Service().Page(0, 50));
    slow.bodyChunkBytes = 500;
    slow.chunkDelayMs = 200;
    Service().Http().Enqueue(slow);
    Service().Http().ClearExchanges();
    OpenLibrary();
    ASSERT_TRUE(window->Select(file)) << "the command line's save is listed";

    PressAlt(Qt::Key_U);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Service().ApiRequests().empty(); }, 60'000));
    ASSERT_TRUE(window->Jobs().Running(file)) << Details().toStdString();
    messages->QueueAnswer(mrYes);
    window->close();

    ASSERT_EQ(messages->Shown().size(), 1u);
    EXPECT_NE(messages->Shown()[0].Text.find("still running"), std::string::npos) << messages->Shown()[0].Text;
    const library::JobState* job = window->Jobs().State(file);
    ASSERT_FALSE(job->running) << "closing waited for the child to end";
    EXPECT_TRUE(job->stopped);
    ASSERT_TRUE(job->lastEnd.has_value()) << Details().toStdString();
    EXPECT_EQ(job->lastEnd->Text("status"), "cancelled") << "the child ended on its own after SIGINT";
    EXPECT_EQ(ReadAll(file), before);
}

}  // namespace
}  // namespace qv
