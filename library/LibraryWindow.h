// SPDX-License-Identifier: GPL-3.0-or-later
// Quillvault Library's main window: every backup in a sortable list, the
// actions on the selected one as buttons and in a context menu, and the
// messages of its jobs below. Everything it does runs quillvault-cli; what
// may wait on another process, the bus or a large file (the list itself, the
// keyring, systemctl, reading a backup) runs on a worker, with the row's
// actions off until the answer, so the window never stops answering.
#pragma once

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <map>
#include <memory>
#include <set>

#include "library/BackupDialog.h"
#include "library/BackupList.h"
#include "library/BackupTable.h"
#include "library/BackupTableModel.h"
#include "library/CliCommands.h"
#include "library/FirstBackup.h"
#include "library/JobBoard.h"
#include "library/Opener.h"
#include "library/Questions.h"

class QCheckBox;
class QContextMenuEvent;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;
class QSplitter;

namespace qv::library {

struct DailySetup;

class LibraryWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit LibraryWindow(std::string dataFolder, QWidget* parent = nullptr);
    ~LibraryWindow() override;

    void SetQuestions(std::shared_ptr<QuestionPresenter> questions) { questions_ = std::move(questions); }

    // Reads library.json and looks at every backup again, on a worker.
    void Reload();
    // Whether the list was read at least once, and whether a reading is under way.
    bool Loaded() const { return loaded_; }
    bool Reading() const { return readings_ > 0; }
    // Whether a question about the backup (to the keyring, systemctl, the
    // disk) is under way, with its actions off until the answer.
    bool Asking(const std::string& path) const { return asking_.count(path) > 0; }

    // The selected backup's row, null when none is selected.
    const BackupRow* Selected() const;
    bool Select(const std::string& path);

    BackupTable* Table() const { return table_; }
    BackupTableModel& Model() { return model_; }
    JobBoard& Jobs() { return jobs_; }
    QPlainTextEdit* Details() const { return details_; }
    // The details pane's line of the selected backup's running jobs.
    QLabel* Progress() const { return progress_; }
    // The "Back up a blog…" dialog while it is open.
    BackupDialog* OpenBackupDialog() const { return dialog_; }

public slots:
    void BackUpBlog();
    void UpdateNow();
    void KeepMedia();
    void OpenOfflineView();
    void ShowInFolder();
    void AddBackup();
    void RemoveFromList();
    void StopJob();
    // Sets up or removes the selected backup's daily update.
    void SetDaily(bool daily);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildActions();
    void BuildLayout();
    void RestoreSettings();
    void SaveSettings() const;
    void TakeList(BackupList list);
    void ShowRows();
    bool Listed(const std::string& path) const;
    std::string RecentBackup() const;
    void SelectMostRecent();
    void SelectionChanged();
    void RefreshActions();
    void RefreshDetails();
    void StartFirstBackup(const FirstBackupRequest& request);
    void JobEnded(const QString& path, JobKind kind);
    void ShowContextMenu(const QContextMenuEvent& event);
    void OpenFailed(const QString& target, const QString& why);
    void RecordAdded(const std::string& path, catalog::CatalogEntry entry);
    void StartDailySetup(const catalog::CatalogEntry& entry, const JobPasswords& passwords);
    void DailyAnswered(const catalog::CatalogEntry& entry, const DailySetup& setup);
    // Runs `work` on a worker with the backup's actions off; `then` gets its answer.
    template <typename Work, typename Then>
    void AskAbout(const std::string& path, Work work, Then then);
    std::map<std::string, std::int64_t> ViewsConfirmed() const;
    void ConfirmView(const std::string& path, std::int64_t modified);
    bool StopJobsBeforeClosing();

    std::string dataFolder_;
    JobBoard jobs_;
    BackupTableModel model_;
    Opener opener_;
    std::shared_ptr<QuestionPresenter> questions_;
    QSortFilterProxyModel* sorted_ = nullptr;
    BackupTable* table_ = nullptr;
    QPlainTextEdit* details_ = nullptr;
    QLabel* progress_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QPushButton* backup_ = nullptr;
    QPushButton* update_ = nullptr;
    QPushButton* media_ = nullptr;
    QPushButton* view_ = nullptr;
    QPushButton* folder_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* stop_ = nullptr;
    QCheckBox* daily_ = nullptr;
    QMenu* menu_ = nullptr;
    QPointer<BackupDialog> dialog_;
    QFileSystemWatcher watcher_;
    QTimer reloadSoon_;
    QTimer clock_;

    std::vector<BackupRow> listed_;                       // as library.json and the disk last said
    std::map<std::string, BackupRow> pending_;            // first backups library.json does not list yet
    std::map<std::string, JobPasswords> dailyOnceSaved_;  // first backups to update daily once saved
    std::set<std::string> asking_;
    int reloads_ = 0;   // the latest reading's number: an older one's answer is dropped
    int readings_ = 0;  // under way
    bool loaded_ = false;
    std::string selectOnceListed_;
    std::optional<int> selectRowOnceListed_;
    // The details pane's messages as last set: of which backup, how many, the last.
    struct ShownMessages {
        std::string path;
        qsizetype count = 0;
        QString last;
        bool operator==(const ShownMessages&) const = default;
    };
    ShownMessages shownMessages_;

    // Last, so that it is the first to go: it waits for the work under way,
    // which holds nothing of the window.
    QThreadPool workers_;
};

}  // namespace qv::library
