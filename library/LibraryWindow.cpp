// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryWindow.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include "CliEvents.h"
#include "Messages.h"
#include "blogaddress/BlogAddress.h"
#include "library/BackupPasswords.h"
#include "library/BackupSummary.h"
#include "library/DailyUpdate.h"
#include "library/ProgressDelegate.h"
#include "widgets/FileDialog.h"

namespace qv::library {

namespace {

constexpr const char* kTitle = "Quillvault Library";
// How long closing waits for stopped jobs to end before it ends them hard.
constexpr int kStopWaitMs = 60'000;

QString Text(const std::string& text) { return QString::fromStdString(text); }

QSettings Settings() { return QSettings("Quarrytide", "Quillvault Library"); }

void Say(const QString& text, int style) { MsgBox(text.toStdString(), style, kTitle); }

}  // namespace

LibraryWindow::LibraryWindow(std::string dataFolder, QWidget* parent)
    : QMainWindow(parent),
      dataFolder_(std::move(dataFolder)),
      model_(jobs_),
      questions_(std::make_shared<DialogQuestions>()) {
    setWindowTitle(kTitle);
    BuildActions();
    BuildLayout();

    connect(&jobs_, &JobBoard::Changed, this, [this](const QString& path) {
        model_.JobChanged(path);
        const BackupRow* selected = Selected();
        if (selected && Text(selected->entry.path) == path) {
            RefreshActions();
            RefreshDetails();
        }
    });
    connect(&jobs_, &JobBoard::Ended, this, &LibraryWindow::JobEnded);

    // Runs of the command line and of the window record their saves while the Library is open.
    reloadSoon_.setSingleShot(true);
    reloadSoon_.setInterval(300);
    connect(&reloadSoon_, &QTimer::timeout, this, &LibraryWindow::Reload);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { reloadSoon_.start(); });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { reloadSoon_.start(); });
    // "5 minutes ago" must not stay so for an hour.
    clock_.setInterval(60'000);
    connect(&clock_, &QTimer::timeout, this, [this] {
        if (model_.rowCount() > 0)
            emit model_.dataChanged(model_.index(0, BackupTableModel::Updated),
                                    model_.index(model_.rowCount() - 1, BackupTableModel::Updated));
    });
    clock_.start();

    Reload();
    RestoreSettings();
    SelectMostRecent();
    table_->setFocus();
}

LibraryWindow::~LibraryWindow() = default;

void LibraryWindow::BuildActions() {
    auto button = [this](const char* text, void (LibraryWindow::*slot)()) {
        auto* pushButton = new QPushButton(tr(text), this);
        connect(pushButton, &QPushButton::clicked, this, slot);
        return pushButton;
    };
    update_ = button("&Update now", &LibraryWindow::UpdateNow);
    media_ = button("Keep &media", &LibraryWindow::KeepMedia);
    view_ = button("&Open offline view", &LibraryWindow::OpenOfflineView);
    folder_ = button("Show in &folder", &LibraryWindow::ShowInFolder);
    add_ = button("&Add backup…", &LibraryWindow::AddBackup);
    remove_ = button("&Remove from list", &LibraryWindow::RemoveFromList);
    stop_ = button("S&top", &LibraryWindow::StopJob);
    update_->setToolTip("Add the posts published since the last update to the backup");
    media_->setToolTip("Keep the pictures, audio and video of the backup in a folder beside it");
    view_->setToolTip("Read the backup in the browser, writing its pages first when needed");
    stop_->setToolTip("Stop the selected backup's job; an update continues where it stopped next time");

    daily_ = new QCheckBox(tr("Update every &day"), this);
    daily_->setToolTip("Update the selected backup once a day, with its media and offline view, even when the "
                       "Library is not open");
    connect(daily_, &QCheckBox::clicked, this, &LibraryWindow::SetDaily);

    // The context menu offers what the buttons offer, as they are right now.
    menu_ = new QMenu(this);
    auto item = [this](QPushButton* button) {
        QAction* action = menu_->addAction(button->text());
        connect(action, &QAction::triggered, button, &QPushButton::click);
        connect(menu_, &QMenu::aboutToShow, action, [action, button] { action->setEnabled(button->isEnabled()); });
    };
    for (QPushButton* each : {update_, media_, view_, folder_}) item(each);
    menu_->addSeparator();
    QAction* daily = menu_->addAction(daily_->text());
    daily->setCheckable(true);
    connect(daily, &QAction::triggered, daily_, &QCheckBox::click);
    connect(menu_, &QMenu::aboutToShow, daily, [this, daily] {
        daily->setEnabled(daily_->isEnabled());
        daily->setChecked(daily_->isChecked());
    });
    menu_->addSeparator();
    item(stop_);
    item(remove_);
    menu_->addSeparator();
    item(add_);
}

void LibraryWindow::BuildLayout() {
    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSourceModel(&model_);
    sorted_->setSortRole(BackupTableModel::SortRole);

    table_ = new QTableView(this);
    table_->setModel(sorted_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setSortingEnabled(true);
    table_->sortByColumn(BackupTableModel::Updated, Qt::DescendingOrder);
    table_->setWordWrap(false);
    table_->setAlternatingRowColors(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSectionsMovable(true);
    table_->setItemDelegateForColumn(BackupTableModel::Job, new ProgressDelegate(table_));
    const int widths[] = {280, 60, 110, 110, 140, 95, 200};
    for (int column = 0; column < BackupTableModel::ColumnCount; ++column) table_->setColumnWidth(column, widths[column]);
    // The mouse's menu arrives at the viewport, the menu key's at the table.
    table_->installEventFilter(this);
    table_->viewport()->installEventFilter(this);
    connect(table_, &QTableView::activated, this, [this] { view_->click(); });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &LibraryWindow::SelectionChanged);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &LibraryWindow::SelectionChanged);
    connect(sorted_, &QAbstractItemModel::modelReset, this, &LibraryWindow::SelectionChanged);
    auto* forget = new QAction(table_);
    forget->setShortcut(QKeySequence::Delete);
    forget->setShortcutContext(Qt::WidgetShortcut);
    connect(forget, &QAction::triggered, remove_, &QPushButton::click);
    table_->addAction(forget);
    // The menu key opens the context menu through the platform; Shift+F10 as on other desktops.
    auto* menuKey = new QAction(table_);
    menuKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    menuKey->setShortcutContext(Qt::WidgetShortcut);
    connect(menuKey, &QAction::triggered, this, [this] {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        ShowContextMenu(event);
    });
    table_->addAction(menuKey);

    details_ = new QPlainTextEdit(this);
    details_->setReadOnly(true);
    details_->setPlaceholderText("The messages of the selected backup's jobs appear here.");
    details_->setTabChangesFocus(true);
    details_->setMaximumBlockCount(5000);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* each : {update_, media_, view_, folder_}) buttons->addWidget(each);
    buttons->addSpacing(12);
    buttons->addWidget(stop_);
    buttons->addStretch();
    buttons->addWidget(add_);
    buttons->addWidget(remove_);

    auto* top = new QWidget(this);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(table_);
    topLayout->addLayout(buttons);
    topLayout->addWidget(daily_);

    auto* bottom = new QWidget(this);
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(tr("Details"), bottom);
    label->setBuddy(details_);
    bottomLayout->addWidget(label);
    bottomLayout->addWidget(details_);

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->addWidget(top);
    splitter_->addWidget(bottom);
    splitter_->setStretchFactor(0, 3);
    splitter_->setStretchFactor(1, 1);
    splitter_->setChildrenCollapsible(false);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(splitter_);
    setCentralWidget(central);

    setTabOrder(table_, update_);
    setTabOrder(update_, media_);
    setTabOrder(media_, view_);
    setTabOrder(view_, folder_);
    setTabOrder(folder_, stop_);
    setTabOrder(stop_, add_);
    setTabOrder(add_, remove_);
    setTabOrder(remove_, daily_);
    setTabOrder(daily_, details_);
    resize(1100, 560);
}

void LibraryWindow::RestoreSettings() {
    QSettings settings = Settings();
    if (const QByteArray geometry = settings.value("window/geometry").toByteArray(); !geometry.isEmpty())
        restoreGeometry(geometry);
    if (const QByteArray columns = settings.value("window/columns").toByteArray(); !columns.isEmpty()) {
        QHeaderView* header = table_->horizontalHeader();
        if (header->restoreState(columns))
            table_->sortByColumn(header->sortIndicatorSection(), header->sortIndicatorOrder());
    }
    if (const QByteArray split = settings.value("window/splitter").toByteArray(); !split.isEmpty())
        splitter_->restoreState(split);
}

void LibraryWindow::SaveSettings() const {
    QSettings settings = Settings();
    settings.setValue("window/geometry", saveGeometry());
    settings.setValue("window/columns", table_->horizontalHeader()->saveState());
    settings.setValue("window/splitter", splitter_->saveState());
}

std::optional<std::int64_t> LibraryWindow::ViewConfirmedFor(const std::string& path) const {
    const QVariant value = Settings().value("views/confirmed").toMap().value(Text(path));
    if (!value.isValid()) return std::nullopt;
    return value.toLongLong();
}

void LibraryWindow::ConfirmView(const std::string& path, std::int64_t modified) {
    QSettings settings = Settings();
    QVariantMap confirmed = settings.value("views/confirmed").toMap();
    confirmed.insert(Text(path), qlonglong(modified));
    settings.setValue("views/confirmed", confirmed);
}

void LibraryWindow::Reload() {
    const BackupRow* selected = Selected();
    const std::string keep = selected ? selected->entry.path : std::string();

    catalog::Loaded loaded = catalog::Load(dataFolder_);
    if (!loaded.warning.empty()) statusBar()->showMessage(Text(loaded.warning));
    std::vector<BackupRow> rows;
    rows.reserve(loaded.entries.size());
    for (catalog::CatalogEntry& entry : loaded.entries) {
        BackupState state = InspectBackup(entry.path, ViewConfirmedFor(entry.path));
        const bool daily = UpdatedDaily(entry);
        rows.push_back({std::move(entry), std::move(state), daily});
    }
    model_.SetRows(std::move(rows));

    if (watcher_.directories().isEmpty() && QFileInfo(Text(dataFolder_)).isDir()) watcher_.addPath(Text(dataFolder_));
    if (!keep.empty() && !Select(keep)) SelectMostRecent();
    RefreshActions();
    RefreshDetails();
}

const BackupRow* LibraryWindow::Selected() const {
    const QModelIndex current = table_->selectionModel()->currentIndex();
    if (!current.isValid() || !table_->selectionModel()->isRowSelected(current.row(), current.parent())) return nullptr;
    return model_.At(sorted_->mapToSource(current).row());
}

bool LibraryWindow::Select(const std::string& path) {
    const int row = model_.RowOf(path);
    if (row < 0) return false;
    const QModelIndex index = sorted_->mapFromSource(model_.index(row, 0));
    table_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table_->scrollTo(index);
    return true;
}

void LibraryWindow::SelectMostRecent() {
    const BackupRow* newest = nullptr;
    for (const BackupRow& row : model_.Rows())
        if (!newest || row.entry.updated > newest->entry.updated) newest = &row;
    if (newest) Select(newest->entry.path);
}

void LibraryWindow::SelectionChanged() {
    RefreshActions();
    RefreshDetails();
}

void LibraryWindow::RefreshActions() {
    const BackupRow* row = Selected();
    const bool present = row && row->state.exists;
    const bool busy = row && jobs_.Running(row->entry.path);
    update_->setEnabled(present && !busy);
    media_->setEnabled(present && !busy);
    view_->setEnabled(present && !busy);
    folder_->setEnabled(row && QFileInfo(QFileInfo(Text(row->entry.path)).absolutePath()).isDir());
    remove_->setEnabled(row && !busy);
    stop_->setEnabled(busy && !jobs_.State(row->entry.path)->stopping);
    const QSignalBlocker quiet(daily_);
    daily_->setEnabled(present);
    daily_->setChecked(row && row->daily);
}

void LibraryWindow::RefreshDetails() {
    const BackupRow* row = Selected();
    const QString text = row ? jobs_.Messages(row->entry.path).join('\n') : QString();
    if (details_->toPlainText() == text) return;
    details_->setPlainText(text);
    details_->verticalScrollBar()->setValue(details_->verticalScrollBar()->maximum());
}

bool LibraryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ContextMenu || (watched != table_ && watched != table_->viewport()))
        return QMainWindow::eventFilter(watched, event);
    ShowContextMenu(*static_cast<QContextMenuEvent*>(event));
    return true;
}

void LibraryWindow::ShowContextMenu(const QContextMenuEvent& event) {
    QWidget* viewport = table_->viewport();
    if (event.reason() == QContextMenuEvent::Mouse) {
        const QModelIndex index = table_->indexAt(viewport->mapFromGlobal(event.globalPos()));
        if (index.isValid())
            table_->selectionModel()->setCurrentIndex(index,
                                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        menu_->popup(event.globalPos());
        return;
    }
    // The menu key names no place: the menu opens at the selected row.
    const QModelIndex current = table_->currentIndex();
    const QPoint at = current.isValid() ? table_->visualRect(current).bottomLeft() : QPoint(0, 0);
    menu_->popup(viewport->mapToGlobal(at));
}

void LibraryWindow::UpdateNow() {
    const BackupRow* row = Selected();
    if (!row || !row->state.exists || jobs_.Running(row->entry.path)) return;
    const catalog::CatalogEntry entry = row->entry;
    const auto passwords = PasswordsForRun(entry, *questions_, this);
    if (!passwords) return;
    jobs_.Start(entry.path, UpdateCommand(entry), ChildEnvironment(*passwords));
}

void LibraryWindow::KeepMedia() {
    const BackupRow* row = Selected();
    if (!row || !row->state.exists || jobs_.Running(row->entry.path)) return;
    jobs_.Start(row->entry.path, MediaCommand(row->entry.path), ChildEnvironment({}));
}

void LibraryWindow::OpenOfflineView() {
    const BackupRow* row = Selected();
    if (!row || !row->state.exists || jobs_.Running(row->entry.path)) return;
    if (row->state.view == OfflineView::UpToDate) {
        Open(Text(row->state.indexFile));
        return;
    }
    jobs_.Start(row->entry.path, OfflineViewCommand(row->entry.path), ChildEnvironment({}), true);
}

void LibraryWindow::ShowInFolder() {
    if (const BackupRow* row = Selected()) Open(QFileInfo(Text(row->entry.path)).absolutePath());
}

bool LibraryWindow::Open(const QString& target) {
    const QString opener = OpenerProgram();
    if (QProcess::startDetached(opener, {target})) return true;
    Say(QString("%1\n\nCan't open this: %2 did not start.").arg(target, opener), mbExclamation);
    return false;
}

void LibraryWindow::AddBackup() {
    FileDialog dialog;
    dialog.Title("Add backup");
    dialog.Filter("Backups|*.xml|All files|*.*");
    dialog.OwnerWindow(this);
    if (!dialog.ShowOpen()) return;
    const std::string path = QFileInfo(Text(dialog.SelectedFile())).absoluteFilePath().toStdString();

    const Result<BackupSummary> summary = ReadBackupSummary(path);
    if (!summary) {
        Say(Text(summary.status().text()) + "\n\nOnly a backup of a blog can be added.", mbExclamation);
        return;
    }
    catalog::CatalogEntry entry;
    if (const int known = model_.RowOf(path); known >= 0) entry = model_.At(known)->entry;
    entry.path = path;
    entry.title = summary->title;
    entry.posts = summary->posts;
    entry.announced = summary->announced;
    entry.updated = QFileInfo(Text(path)).lastModified().toSecsSinceEpoch();
    if (entry.address.empty()) entry.address = summary->address;
    while (entry.address.empty()) {
        const auto answer = questions_->Ask(
            this, {kTitle, "The backup does not name its blog. The blog's address, such as myblog.example.com:", {}, false});
        if (!answer) return;
        if (const Result<std::string> bare = BareBlogAddress(answer->toStdString()))
            entry.address = *bare;
        else
            Say(Text(bare.status().text()), mbExclamation);
    }
    const catalog::Changed recorded = catalog::Record(dataFolder_, entry);
    if (!recorded.ok()) {
        Say(Text(recorded.status.text()), mbExclamation);
        return;
    }
    if (recorded.setAside) statusBar()->showMessage(Text(*recorded.setAside));
    Reload();
    Select(path);
}

void LibraryWindow::RemoveFromList() {
    const BackupRow* row = Selected();
    if (!row || jobs_.Running(row->entry.path)) return;
    const std::string path = row->entry.path;
    const catalog::Changed forgotten = catalog::Forget(dataFolder_, path);
    if (!forgotten.ok()) {
        Say(Text(forgotten.status.text()), mbExclamation);
        return;
    }
    if (forgotten.setAside) statusBar()->showMessage(Text(*forgotten.setAside));
    const int at = table_->currentIndex().row();
    Reload();
    // The next row takes the place of the one removed, so the keyboard can go on.
    if (sorted_->rowCount() > 0) {
        const QModelIndex next = sorted_->index(std::min(at, sorted_->rowCount() - 1), 0);
        table_->selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void LibraryWindow::SetDaily(bool daily) {
    const BackupRow* row = Selected();
    if (!row) return;
    const catalog::CatalogEntry entry = row->entry;
    const schedule::ScheduledBackup scheduled = ScheduledBackupOf(entry);
    if (!daily) {
        if (const Status disabled = schedule::Disable(scheduled); !disabled.ok())
            Say(Text(disabled.text()), mbExclamation);
        else if (const Status forgotten = ForgetStoredPasswords(entry); !forgotten.ok())
            Say("The daily update is off, but its passwords are still in the keyring:\n\n" + Text(forgotten.text()),
                mbExclamation);
    } else if (const Status stored = StorePasswordsForDailyRuns(entry, *questions_, this); !stored.ok()) {
        if (!stored.Is(StatusKind::Cancelled)) Say(Text(stored.text()), mbExclamation);
    } else if (const Status enabled = schedule::Enable(scheduled); !enabled.ok()) {
        // What is said is why the update could not be set up; passwords left
        // in the keyring are harmless next to that.
        (void)ForgetStoredPasswords(entry);
        if (enabled.Is(StatusKind::Unavailable)) {
            // No service manager of the user's own: cron can run the same update.
            const QString line = Text(schedule::CrontabLine(scheduled));
            QGuiApplication::clipboard()->setText(line);
            jobs_.Note(entry.path, "For a daily update by cron, add this line with crontab -e:\n" + line);
            Say("This desktop has no systemd of the user's own to run the daily update:\n\n" + Text(enabled.text()) +
                    "\n\nThis line, now on the clipboard and in the details, does the same from cron; add it "
                    "with crontab -e:\n\n" + line,
                mbInformation);
        } else {
            Say(Text(enabled.text()), mbExclamation);
        }
    }
    Reload();
}

void LibraryWindow::StopJob() {
    if (const BackupRow* row = Selected()) jobs_.Stop(row->entry.path);
}

void LibraryWindow::JobEnded(const QString& path) {
    const std::string backup = path.toStdString();
    const JobState* job = jobs_.State(backup);
    if (job && job->succeeded && job->kind == JobKind::OfflineView) {
        const BackupState state = InspectBackup(backup, std::nullopt);
        if (state.exists) ConfirmView(backup, state.modified);
    }
    Reload();
    if (job && job->succeeded && job->openWhenDone) {
        const std::string index = job->lastEnd ? job->lastEnd->Text(events::field::kIndex) : std::string();
        const int row = model_.RowOf(backup);
        Open(index.empty() && row >= 0 ? Text(model_.At(row)->state.indexFile) : Text(index));
    }
}

bool LibraryWindow::StopJobsBeforeClosing() {
    if (!jobs_.AnyRunning()) return true;
    QStringList running;
    for (const BackupRow& row : model_.Rows())
        if (const JobState* job = jobs_.State(row.entry.path); job && job->running)
            running << QString("%1: %2").arg(Text(row.entry.address), JobTitle(job->kind));
    const int answer = MsgBox(QString("These jobs are still running:\n\n%1\n\nStop them and close? A stopped update "
                                      "continues where it stopped the next time.")
                                  .arg(running.join('\n'))
                                  .toStdString(),
                              mbYesNo + mbQuestion, kTitle);
    if (answer != mrYes) return false;
    jobs_.StopAll();
    QEventLoop waiting;
    QTimer giveUp;
    giveUp.setSingleShot(true);
    connect(&giveUp, &QTimer::timeout, &waiting, &QEventLoop::quit);
    connect(&jobs_, &JobBoard::Ended, &waiting, [this, &waiting] {
        if (!jobs_.AnyRunning()) waiting.quit();
    });
    giveUp.start(kStopWaitMs);
    if (jobs_.AnyRunning()) waiting.exec();
    return true;  // a child still running now is ended with the board
}

void LibraryWindow::closeEvent(QCloseEvent* event) {
    if (!StopJobsBeforeClosing()) {
        event->ignore();
        return;
    }
    SaveSettings();
    event->accept();
}

}  // namespace qv::library
