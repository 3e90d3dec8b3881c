// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryWindow.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "CliEvents.h"
#include "Messages.h"
#include "blogaddress/BlogAddress.h"
#include "library/Background.h"
#include "library/BackupDialog.h"
#include "library/BackupPasswords.h"
#include "library/BackupSummary.h"
#include "library/BackupTable.h"
#include "library/DailyUpdate.h"
#include "library/ProgressDelegate.h"
#include "widgets/FileDialog.h"

namespace qv::library {

namespace {

constexpr const char* kTitle = "Quillvault Library";
constexpr const char* kEmptyText = "No backups yet. Back up a blog, or add a backup file saved earlier.";
// How long closing waits for stopped jobs to end before it ends them hard.
constexpr int kStopWaitMs = 60'000;
// Workers at once: the list, and a few questions to the keyring or systemctl.
constexpr int kWorkers = 4;

QString Text(const std::string& text) { return QString::fromStdString(text); }

QSettings Settings() { return QSettings("Quarrytide", "Quillvault Library"); }

void Say(const QString& text, int style) { MsgBox(text.toStdString(), style, kTitle); }

// The row of a first backup before library.json lists it.
BackupRow PendingRow(const FirstBackupRequest& request) {
    BackupRow row;
    row.entry.path = request.target;
    row.entry.address = request.address;
    row.entry.email = request.email.toStdString();
    row.entry.blogPassword = !request.blogPassword.isEmpty();
    row.pending = true;
    return row;
}

// What an added backup file says of itself, read on a worker.
struct AddedFile {
    std::string path;
    std::optional<BackupSummary> summary;
    Status failure;
};

}  // namespace

LibraryWindow::LibraryWindow(std::string dataFolder, QWidget* parent)
    : QMainWindow(parent),
      dataFolder_(std::move(dataFolder)),
      model_(jobs_),
      questions_(std::make_shared<DialogQuestions>()) {
    workers_.setMaxThreadCount(kWorkers);
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
    connect(&opener_, &Opener::Failed, this, &LibraryWindow::OpenFailed);

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

    RestoreSettings();
    RefreshActions();
    Reload();
}

LibraryWindow::~LibraryWindow() = default;

void LibraryWindow::BuildActions() {
    auto button = [this](const char* text, void (LibraryWindow::*slot)()) {
        auto* pushButton = new QPushButton(tr(text), this);
        connect(pushButton, &QPushButton::clicked, this, slot);
        return pushButton;
    };
    backup_ = button("&Back up a blog…", &LibraryWindow::BackUpBlog);
    update_ = button("&Update now", &LibraryWindow::UpdateNow);
    media_ = button("Keep &media", &LibraryWindow::KeepMedia);
    view_ = button("&Open offline view", &LibraryWindow::OpenOfflineView);
    folder_ = button("Show in &folder", &LibraryWindow::ShowInFolder);
    add_ = button("&Add backup…", &LibraryWindow::AddBackup);
    remove_ = button("&Remove from list", &LibraryWindow::RemoveFromList);
    stop_ = button("S&top", &LibraryWindow::StopJob);
    backup_->setToolTip("Back up a blog into a new file, or extend a backup saved earlier");
    update_->setToolTip("Add the posts published since the last update to the backup");
    media_->setToolTip("Keep the pictures, audio and video of the backup in a folder beside it");
    view_->setToolTip("Read the backup in the browser, writing its pages first when needed");
    stop_->setToolTip("Stop the selected backup's jobs; an update continues where it stopped next time");

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
    item(backup_);
    menu_->addSeparator();
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

    table_ = new BackupTable(this);
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
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LibraryWindow::SelectionChanged);
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
    progress_ = new QLabel(this);
    progress_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    progress_->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(backup_);
    buttons->addSpacing(12);
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
    bottomLayout->addWidget(progress_);
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

    setTabOrder(table_, backup_);
    setTabOrder(backup_, update_);
    setTabOrder(update_, media_);
    setTabOrder(media_, view_);
    setTabOrder(view_, folder_);
    setTabOrder(folder_, stop_);
    setTabOrder(stop_, add_);
    setTabOrder(add_, remove_);
    setTabOrder(remove_, daily_);
    setTabOrder(daily_, details_);
    resize(1180, 560);
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

std::map<std::string, std::int64_t> LibraryWindow::ViewsConfirmed() const {
    std::map<std::string, std::int64_t> confirmed;
    const QVariantMap stored = Settings().value("views/confirmed").toMap();
    for (auto each = stored.begin(); each != stored.end(); ++each)
        confirmed.emplace(each.key().toStdString(), each.value().toLongLong());
    return confirmed;
}

void LibraryWindow::ConfirmView(const std::string& path, std::int64_t modified) {
    QSettings settings = Settings();
    QVariantMap confirmed = settings.value("views/confirmed").toMap();
    confirmed.insert(Text(path), qlonglong(modified));
    settings.setValue("views/confirmed", confirmed);
}

template <typename Work, typename Then>
void LibraryWindow::AskAbout(const std::string& path, Work work, Then then) {
    asking_.insert(path);
    RefreshActions();
    InBackground(workers_, this, std::move(work), [this, path, then = std::move(then)](auto answer) mutable {
        asking_.erase(path);
        then(std::move(answer));
        RefreshActions();
    });
}

void LibraryWindow::Reload() {
    const int reading = ++reloads_;
    ++readings_;
    InBackground(
        workers_, this,
        [folder = dataFolder_, confirmed = ViewsConfirmed()] { return ReadBackupList(folder, confirmed); },
        [this, reading](BackupList list) {
            --readings_;
            // A later reading is under way: it knows more.
            if (reading == reloads_) TakeList(std::move(list));
        });
}

void LibraryWindow::TakeList(BackupList list) {
    if (!list.warning.empty()) statusBar()->showMessage(Text(list.warning));
    listed_ = std::move(list.rows);
    std::erase_if(pending_, [this](const auto& each) { return Listed(each.first); });
    ShowRows();
    if (watcher_.directories().isEmpty() && QFileInfo(Text(dataFolder_)).isDir()) watcher_.addPath(Text(dataFolder_));

    const bool first = !loaded_;
    loaded_ = true;
    table_->SetEmptyText(tr(kEmptyText));
    if (first) {
        SelectMostRecent();
        if (model_.rowCount() == 0)
            backup_->setFocus();
        else
            table_->setFocus();
    }
    if (!selectOnceListed_.empty() && Select(selectOnceListed_)) selectOnceListed_.clear();
    if (selectRowOnceListed_ && sorted_->rowCount() > 0) {
        const QModelIndex next = sorted_->index(std::min(*selectRowOnceListed_, sorted_->rowCount() - 1), 0);
        table_->selectionModel()->setCurrentIndex(
            next, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    selectRowOnceListed_.reset();
    // A first backup saved with "Update every day" gets it now that its entry is known.
    for (const BackupRow& row : listed_) {
        const auto daily = dailyOnceSaved_.find(row.entry.path);
        if (daily == dailyOnceSaved_.end()) continue;
        const JobPasswords passwords = daily->second;
        dailyOnceSaved_.erase(daily);
        StartDailySetup(row.entry, passwords);
    }
    RefreshActions();
    RefreshDetails();
}

void LibraryWindow::ShowRows() {
    std::vector<BackupRow> rows = listed_;
    for (const auto& [path, row] : pending_) rows.push_back(row);
    model_.SetRows(std::move(rows));
}

bool LibraryWindow::Listed(const std::string& path) const {
    return std::any_of(listed_.begin(), listed_.end(),
                       [&](const BackupRow& row) { return row.entry.path == path; });
}

std::string LibraryWindow::RecentBackup() const {
    const BackupRow* newest = nullptr;
    for (const BackupRow& row : listed_)
        if (!newest || row.entry.updated > newest->entry.updated) newest = &row;
    return newest ? newest->entry.path : std::string();
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
    if (const std::string recent = RecentBackup(); !recent.empty()) Select(recent);
}

void LibraryWindow::SelectionChanged() {
    RefreshActions();
    RefreshDetails();
}

void LibraryWindow::RefreshActions() {
    const BackupRow* row = Selected();
    const std::string path = row ? row->entry.path : std::string();
    const bool asking = row && Asking(path);
    const bool present = row && row->state.exists && !asking;
    update_->setEnabled(present && jobs_.MayStart(path, JobKind::Update));
    media_->setEnabled(present && jobs_.MayStart(path, JobKind::Media));
    view_->setEnabled(present && jobs_.MayStart(path, JobKind::OfflineView));
    folder_->setEnabled(row && QFileInfo(QFileInfo(Text(path)).absolutePath()).isDir());
    remove_->setEnabled(row && !asking && !jobs_.Running(path));
    const std::vector<const JobState*> running =
        row ? jobs_.RunningJobs(path) : std::vector<const JobState*>();
    stop_->setEnabled(
        std::any_of(running.begin(), running.end(), [](const JobState* job) { return !job->stopping; }));
    const QSignalBlocker quiet(daily_);
    daily_->setEnabled(present && !row->pending);
    daily_->setChecked(row && row->daily);
}

void LibraryWindow::RefreshDetails() {
    const BackupRow* row = Selected();
    const std::string path = row ? row->entry.path : std::string();
    QStringList lines;
    if (row)
        for (const JobState* job : jobs_.RunningJobs(path)) lines << ProgressText(*job);
    progress_->setText(lines.join('\n'));
    progress_->setVisible(!lines.isEmpty());

    // The messages change less often than the progress: they are set again only when they grew.
    const QStringList messages = row ? jobs_.Messages(path) : QStringList();
    const ShownMessages shown{path, messages.size(), messages.isEmpty() ? QString() : messages.last()};
    if (shown == shownMessages_) return;
    shownMessages_ = shown;
    details_->setPlainText(messages.join('\n'));
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

void LibraryWindow::BackUpBlog() {
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    const std::string home = QDir::homePath().toStdString();
    auto* dialog = new BackupDialog(ProposedFolder(RecentBackup(), home), *questions_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { StartFirstBackup(dialog->Request()); });
    // The keyboard comes back here, also where no window manager hands it back.
    connect(dialog, &QDialog::finished, this, [this] { activateWindow(); });
    dialog_ = dialog;
    // Modal, but not waiting in a loop of its own.
    dialog->open();
    // Where no window manager hands the new window the keyboard, it takes it itself.
    dialog->activateWindow();
}

void LibraryWindow::StartFirstBackup(const FirstBackupRequest& request) {
    const std::string& path = request.target;
    if (!jobs_.MayStart(path, JobKind::Backup)) {
        Say(Text(path) + "\n\nA job of this backup is running; it can be backed up again once it has ended.",
            mbExclamation);
        return;
    }
    if (!Listed(path)) pending_[path] = PendingRow(request);
    if (request.daily) dailyOnceSaved_[path] = {request.password, request.blogPassword, {}};
    ShowRows();
    jobs_.Start(path, FirstBackupCommand(request), FirstBackupEnvironment(request));
    Select(path);
    table_->setFocus();
    // This run has them in its environment; its updates read them in the keyring.
    if (request.reader == Reader::V2 && !(request.apiKey.isEmpty() && request.apiSecret.isEmpty())) {
        AskAbout(
            path, [key = request.apiKey, secret = request.apiSecret] { return StoreApiAccess(key, secret); },
            [this, path](Status stored) {
                if (!stored.ok())
                    jobs_.Note(path,
                               "The application's key could not be kept in the keyring, where its updates "
                               "look for it: " +
                                   Text(stored.text()));
            });
    }
}

void LibraryWindow::UpdateNow() {
    const BackupRow* row = Selected();
    if (!row || !row->state.exists || Asking(row->entry.path) ||
        !jobs_.MayStart(row->entry.path, JobKind::Update))
        return;
    const catalog::CatalogEntry entry = row->entry;
    // Its daily update keeps the passwords in the keyring: the command line reads them there itself.
    const bool fromKeyring = row->daily && NeedsStoredPasswords(entry);
    const auto passwords = AskPasswordsForRun(entry, fromKeyring, *questions_, this);
    if (!passwords) return;
    jobs_.Start(entry.path, UpdateCommand(entry, fromKeyring), ChildEnvironment(*passwords));
}

void LibraryWindow::KeepMedia() {
    const BackupRow* row = Selected();
    if (!row || !row->state.exists || Asking(row->entry.path) ||
        !jobs_.MayStart(row->entry.path, JobKind::Media))
        return;
    jobs_.Start(row->entry.path, MediaCommand(row->entry.path), ChildEnvironment({}));
}

void LibraryWindow::OpenOfflineView() {
    const BackupRow* row = Selected();
    if (!row || !row->state.exists || Asking(row->entry.path) ||
        !jobs_.MayStart(row->entry.path, JobKind::OfflineView))
        return;
    if (row->state.view == OfflineView::UpToDate) {
        opener_.Open(Text(row->state.indexFile));
        return;
    }
    jobs_.Start(row->entry.path, OfflineViewCommand(row->entry.path), ChildEnvironment({}), true);
}

void LibraryWindow::ShowInFolder() {
    if (const BackupRow* row = Selected()) opener_.Open(QFileInfo(Text(row->entry.path)).absolutePath());
}

void LibraryWindow::OpenFailed(const QString& target, const QString& why) {
    QGuiApplication::clipboard()->setText(target);
    Say(QString(
            "Nothing on this desktop opened it (%1). Open it by hand; its path is on the clipboard:\n\n%2")
            .arg(why, target),
        mbExclamation);
}

void LibraryWindow::AddBackup() {
    FileDialog dialog;
    dialog.Title("Add backup");
    dialog.Filter("Backups|*.xml|All files|*.*");
    dialog.OwnerWindow(this);
    if (!dialog.ShowOpen()) return;
    const std::string path = QFileInfo(Text(dialog.SelectedFile())).absoluteFilePath().toStdString();
    catalog::CatalogEntry entry;
    if (const int known = model_.RowOf(path); known >= 0) entry = model_.At(known)->entry;
    // Reading a large backup takes a while: it is read on a worker.
    AskAbout(
        path,
        [path] {
            AddedFile added{path, std::nullopt, Status::Ok()};
            Result<BackupSummary> summary = ReadBackupSummary(path);
            if (summary)
                added.summary = std::move(*summary);
            else
                added.failure = summary.status();
            return added;
        },
        [this, entry](AddedFile added) mutable {
            if (!added.summary) {
                Say(Text(added.failure.text()) + "\n\nOnly a backup of a blog can be added.", mbExclamation);
                return;
            }
            const BackupSummary& summary = *added.summary;
            entry.path = added.path;
            entry.title = summary.title;
            entry.posts = summary.posts;
            entry.announced = summary.announced;
            entry.updated = QFileInfo(Text(added.path)).lastModified().toSecsSinceEpoch();
            if (entry.address.empty()) entry.address = summary.address;
            while (entry.address.empty()) {
                const auto answer = questions_->Ask(
                    this,
                    {kTitle,
                     "The backup does not name its blog. The blog's address, such as myblog.example.com:",
                     {},
                     false});
                if (!answer) return;
                if (const Result<std::string> bare = BareBlogAddress(answer->toStdString()))
                    entry.address = *bare;
                else
                    Say(Text(bare.status().text()), mbExclamation);
            }
            RecordAdded(added.path, entry);
        });
}

void LibraryWindow::RecordAdded(const std::string& path, catalog::CatalogEntry entry) {
    AskAbout(
        path, [folder = dataFolder_, entry] { return catalog::Record(folder, entry); },
        [this, path](catalog::Changed recorded) {
            if (!recorded.ok()) {
                Say(Text(recorded.status.text()), mbExclamation);
                return;
            }
            if (recorded.setAside) statusBar()->showMessage(Text(*recorded.setAside));
            selectOnceListed_ = path;
            Reload();
        });
}

void LibraryWindow::RemoveFromList() {
    const BackupRow* row = Selected();
    if (!row || Asking(row->entry.path) || jobs_.Running(row->entry.path)) return;
    const std::string path = row->entry.path;
    // The next row takes the place of the one removed, so the keyboard can go on.
    const int at = table_->currentIndex().row();
    if (row->pending) {
        pending_.erase(path);
        ShowRows();
        if (sorted_->rowCount() > 0)
            table_->selectionModel()->setCurrentIndex(
                sorted_->index(std::min(at, sorted_->rowCount() - 1), 0),
                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return;
    }
    AskAbout(
        path, [folder = dataFolder_, path] { return catalog::Forget(folder, path); },
        [this, at](catalog::Changed forgotten) {
            if (!forgotten.ok()) {
                Say(Text(forgotten.status.text()), mbExclamation);
                return;
            }
            if (forgotten.setAside) statusBar()->showMessage(Text(*forgotten.setAside));
            selectRowOnceListed_ = at;
            Reload();
        });
}

void LibraryWindow::SetDaily(bool daily) {
    const BackupRow* row = Selected();
    if (!row || Asking(row->entry.path)) return;
    const catalog::CatalogEntry entry = row->entry;
    RefreshActions();  // the box shows what is, until the answer says otherwise
    if (!daily) {
        AskAbout(
            entry.path, [scheduled = ScheduledBackupOf(entry)] { return RemoveDailyUpdate(scheduled); },
            [this](Status removed) {
                if (!removed.ok()) Say(Text(removed.text()), mbExclamation);
                Reload();
            });
        return;
    }
    if (!NeedsStoredPasswords(entry)) {
        StartDailySetup(entry, {});
        return;
    }
    // The passwords are asked only where a keyring can keep them.
    AskAbout(
        entry.path, [entry] { return KeyringForDailyRuns(entry); },
        [this, entry](Status keyring) {
            if (!keyring.ok()) {
                Say(Text(keyring.text()), mbExclamation);
                return;
            }
            const auto passwords = AskPasswordsForDailyRuns(entry, *questions_, this);
            if (passwords) StartDailySetup(entry, *passwords);
        });
}

void LibraryWindow::StartDailySetup(const catalog::CatalogEntry& entry, const JobPasswords& passwords) {
    AskAbout(
        entry.path,
        [scheduled = ScheduledBackupOf(entry), passwords] { return SetUpDailyUpdate(scheduled, passwords); },
        [this, entry](DailySetup setup) { DailyAnswered(entry, setup); });
}

void LibraryWindow::DailyAnswered(const catalog::CatalogEntry& entry, const DailySetup& setup) {
    if (setup.atScheduling && setup.status.Is(StatusKind::Unavailable)) {
        // No service manager of the user's own: cron can run the same update.
        const QString line = Text(schedule::CrontabLine(ScheduledBackupOf(entry)));
        QGuiApplication::clipboard()->setText(line);
        jobs_.Note(entry.path, "For a daily update by cron, add this line with crontab -e:\n" + line);
        Say("This desktop has no systemd of the user's own to run the daily update:\n\n" +
                Text(setup.status.text()) +
                "\n\nThis line, now on the clipboard and in the details, does the same from cron; add it "
                "with crontab -e:\n\n" +
                line,
            mbInformation);
    } else if (!setup.status.ok() && !setup.status.Is(StatusKind::Cancelled)) {
        Say(Text(entry.path) + "\n\nThe daily update was not set up: " + Text(setup.status.text()),
            mbExclamation);
    }
    Reload();
}

void LibraryWindow::StopJob() {
    if (const BackupRow* row = Selected()) jobs_.Stop(row->entry.path);
}

void LibraryWindow::JobEnded(const QString& path, JobKind kind) {
    const std::string backup = path.toStdString();
    const JobState* job = jobs_.State(backup, kind);
    if (!job) return;
    if (job->succeeded && kind == JobKind::OfflineView)
        if (const auto modified = ModifiedAt(backup)) ConfirmView(backup, *modified);
    if (kind == JobKind::Backup && !SavedBackup(*job)) dailyOnceSaved_.erase(backup);
    Reload();
    if (job->succeeded && job->openWhenDone) {
        const std::string index = job->lastEnd ? job->lastEnd->Text(events::field::kIndex) : std::string();
        const int row = model_.RowOf(backup);
        opener_.Open(index.empty() && row >= 0 ? Text(model_.At(row)->state.indexFile) : Text(index));
    }
}

bool LibraryWindow::StopJobsBeforeClosing() {
    if (!jobs_.AnyRunning()) return true;
    QStringList running;
    for (const BackupRow& row : model_.Rows())
        for (const JobState* job : jobs_.RunningJobs(row.entry.path))
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
