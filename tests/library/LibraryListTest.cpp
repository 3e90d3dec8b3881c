// SPDX-License-Identifier: GPL-3.0-or-later
// The list of backups: what a save by the command line leaves, backups added
// by hand and forgotten, and what the window keeps between sessions.
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "LibraryTestSupport.h"
#include "catalog/BackupCatalog.h"

namespace qv {
namespace {

using Column = library::BackupTableModel::Column;
using test::Service;

class LibraryList : public test::LibraryTest {};

catalog::CatalogEntry OldEntry(const std::string& path, const std::string& address) {
    catalog::CatalogEntry entry;
    entry.path = path;
    entry.address = address;
    entry.title = "Old blog";
    entry.updated = QDateTime::currentSecsSinceEpoch() - 3 * 86400;
    entry.posts = 40;
    return entry;
}

TEST_F(LibraryList, ABackupMadeByTheCommandLineAppearsSelectedWithTheFocus) {
    const std::string older = files.File("older.xml");
    test::WriteAll(older, "<tumblr version=\"1.0\"/>");
    ASSERT_TRUE(catalog::Record(DataFolder(), OldEntry(older, "older.example.com")).ok());
    test::Blog blog;
    blog.posts = test::MakePosts(120, 500000);
    blog.announcedTotal = 125;
    Service().SetBlog(blog);
    const std::string file = files.File("blog.xml");
    ASSERT_EQ(test::RunCli({QString::fromStdString(Service().Address()), "-o", QString::fromStdString(file), "-q"})
                  .exitCode,
              0);

    library::LibraryWindow& library = OpenLibrary();
    ASSERT_EQ(library.Model().rowCount(), 2);
    EXPECT_EQ(Cell(file, Column::Blog), QString::fromStdString("Test blog  —  " + Service().Address()));
    EXPECT_EQ(Cell(file, Column::Posts), "120");
    EXPECT_EQ(Cell(file, Column::Completeness), "120 of 125");
    EXPECT_EQ(Cell(file, Column::Updated), "just now");
    EXPECT_EQ(Cell(file, Column::Media), "not kept");
    EXPECT_EQ(Cell(file, Column::OfflineView), "none");
    EXPECT_EQ(Cell(older, Column::Updated), "3 days ago");
    ASSERT_NE(library.Selected(), nullptr);
    EXPECT_EQ(library.Selected()->entry.path, file);
    EXPECT_TRUE(library.Table()->hasFocus());
}

// A media run that was killed leaves what it did since its last manifest in
// the journal beside it; the list counts those files as the next run will.
TEST_F(LibraryList, TheMediaColumnCountsWhatAKilledMediaRunLeftInTheJournal) {
    const std::string file = files.File("photos.xml");
    test::WriteAll(file, "<tumblr version=\"1.0\"/>");
    std::filesystem::create_directory(files.File("photos.media"));
    test::WriteAll(files.File("photos.media/manifest.tsv"),
                   "url\tfile\tbytes\tsha256\tstatus\tpost_id\n"
                   "http://m.example/a.jpg\ta.jpg\t10\tab\tkept\t1\n"
                   "http://m.example/b.jpg\t\t\t\tfailed: HTTP 500\t2\n");
    // b was kept since, c found missing, and d's line was cut short by the kill.
    test::WriteAll(files.File("photos.media/.manifest.tsv.log"),
                   "http://m.example/b.jpg\tb.jpg\t10\tcd\tkept\t2\n"
                   "http://m.example/c.jpg\t\t\t\tmissing\t3\n"
                   "http://m.example/d.jpg\td.jpg\t10\tef\tkept");
    ASSERT_TRUE(catalog::Record(DataFolder(), OldEntry(file, "photos.example.com")).ok());

    OpenLibrary();
    EXPECT_EQ(Cell(file, Column::Media), "2 kept, 1 missing");
}

TEST_F(LibraryList, AMissingBackupStaysListedAnAddedOneIsReadFromItsFileAndRemovingDeletesNothing) {
    const std::string gone = files.File("gone.xml");
    ASSERT_TRUE(catalog::Record(DataFolder(), OldEntry(gone, "gone.example.com")).ok());
    const std::string added = files.File("mwunsch.xml");
    std::filesystem::copy_file(QV_FIXTURES_DIR "/01-default-page-20-mixed-posts-utf8.xml", added);

    library::LibraryWindow& library = OpenLibrary();
    EXPECT_EQ(Cell(gone, Column::Job), "File missing");
    EXPECT_FALSE(Button("&Update now").isEnabled()) << "nothing to update";

    fileDialogs->QueueChoice(added);
    // A mnemonic presses its button as a click does, a moment later.
    PressAlt(Qt::Key_A);
    ASSERT_TRUE(QTest::qWaitFor([&] { return library.Model().rowCount() == 2; }));
    EXPECT_EQ(Cell(added, Column::Blog), "M. Wunsch  —  mwunsch.tumblr.com");
    EXPECT_EQ(Cell(added, Column::Posts), "20");
    EXPECT_EQ(Cell(added, Column::Completeness), "20 of 66");
    ASSERT_NE(library.Selected(), nullptr);
    EXPECT_EQ(library.Selected()->entry.path, added);

    PressAlt(Qt::Key_R);
    ASSERT_TRUE(QTest::qWaitFor([&] { return library.Model().RowOf(added) == -1; }));
    EXPECT_TRUE(std::filesystem::exists(added));
    ASSERT_EQ(catalog::Load(DataFolder()).entries.size(), 1u);
    EXPECT_EQ(catalog::Load(DataFolder()).entries[0].path, gone);
    ASSERT_NE(library.Selected(), nullptr) << "the next backup takes the removed one's place";
    EXPECT_EQ(library.Selected()->entry.path, gone);
}

TEST_F(LibraryList, WindowGeometryColumnWidthsAndSortAreKeptBetweenSessions) {
    ASSERT_TRUE(catalog::Record(DataFolder(), OldEntry(files.File("a.xml"), "a.example.com")).ok());
    {
        library::LibraryWindow& library = OpenLibrary();
        library.resize(900, 480);
        library.Table()->setColumnWidth(Column::Blog, 123);
        library.Table()->sortByColumn(Column::Posts, Qt::AscendingOrder);
        CloseLibrary();
    }
    library::LibraryWindow& library = OpenLibrary();
    EXPECT_EQ(library.size(), QSize(900, 480));
    EXPECT_EQ(library.Table()->columnWidth(Column::Blog), 123);
    EXPECT_EQ(library.Table()->horizontalHeader()->sortIndicatorSection(), Column::Posts);
    EXPECT_EQ(library.Table()->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(LibraryList, UpdateEveryDaySetsUpTheTimerOrOffersTheCrontabLineOrSaysThereIsNoKeyring) {
    const std::string file = files.File("daily.xml");
    test::WriteAll(file, "<tumblr version=\"1.0\"/>");
    ASSERT_TRUE(catalog::Record(DataFolder(), OldEntry(file, "daily.example.com")).ok());
    const std::string units = home.File("config/systemd/user");
    const auto timers = [&] {
        std::vector<std::string> names;
        if (std::filesystem::exists(units))
            for (const auto& each : std::filesystem::directory_iterator(units))
                if (each.path().extension() == ".timer") names.push_back(each.path().string());
        return names;
    };
    SetVariable("QUILLVAULT_SYSTEMCTL", "true");
    library::LibraryWindow& library = OpenLibrary();
    QCheckBox* daily = library.findChild<QCheckBox*>();
    ASSERT_NE(daily, nullptr);

    PressAlt(Qt::Key_D);
    ASSERT_TRUE(QTest::qWaitFor([&] { return daily->isChecked(); }));
    ASSERT_EQ(timers().size(), 1u);
    EXPECT_EQ(Cell(file, Column::Job), "Updated daily");
    std::string service = timers()[0];
    service.replace(service.size() - 5, 5, "service");
    EXPECT_NE(test::ReadAll(service).find(QV_CLI_EXECUTABLE), std::string::npos)
        << "the daily run is the Library's own quillvault-cli";

    PressAlt(Qt::Key_D);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !daily->isChecked(); }));
    EXPECT_TRUE(timers().empty());
    EXPECT_EQ(Cell(file, Column::Job), "");

    // No user systemd: the same run as a crontab line to copy.
    SetVariable("QUILLVAULT_SYSTEMCTL", "false");
    PressAlt(Qt::Key_D);
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages->Shown().size() == 1; }));
    const QString line = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(line.startsWith("@daily ")) << line.toStdString();
    EXPECT_TRUE(line.contains(QString::fromStdString(file))) << line.toStdString();
    EXPECT_NE(messages->Shown()[0].Text.find(line.toStdString()), std::string::npos);
    EXPECT_FALSE(daily->isChecked());
    EXPECT_TRUE(timers().empty());

    // A password for every day needs a keyring to keep it.
    catalog::CatalogEntry privatePosts = OldEntry(file, "daily.example.com");
    privatePosts.email = "me@example.com";
    ASSERT_TRUE(catalog::Record(DataFolder(), privatePosts).ok());
    SetVariable("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.File("no-bus"));
    SetVariable("QUILLVAULT_SYSTEMCTL", "true");
    library.Reload();
    PressAlt(Qt::Key_D);
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages->Shown().size() == 2; }));
    EXPECT_NE(messages->Shown()[1].Text.find("keyring"), std::string::npos) << messages->Shown()[1].Text;
    EXPECT_TRUE(questions->asked.empty());
    EXPECT_FALSE(daily->isChecked());
    EXPECT_TRUE(timers().empty());
}

}  // namespace
}  // namespace qv
