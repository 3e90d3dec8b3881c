// SPDX-License-Identifier: GPL-3.0-or-later
// Quillvault Library's main window: every backup in a sortable list, the
// actions on the selected one as buttons and in a context menu, and the
// messages of its jobs below. Everything it does runs quillvault-cli.
#pragma once

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "library/BackupTableModel.h"
#include "library/CliCommands.h"
#include "library/JobBoard.h"
#include "library/Questions.h"

class QCheckBox;
class QContextMenuEvent;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;
class QSplitter;
class QTableView;

namespace qv::library {

class LibraryWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit LibraryWindow(std::string dataFolder, QWidget* parent = nullptr);
    ~LibraryWindow() override;

    void SetQuestions(std::shared_ptr<QuestionPresenter> questions) { questions_ = std::move(questions); }

    // Reads library.json and looks at every backup again.
    void Reload();

    // The selected backup's row, null when none is selected.
    const BackupRow* Selected() const;
    bool Select(const std::string& path);

    QTableView* Table() const { return table_; }
    BackupTableModel& Model() { return model_; }
    JobBoard& Jobs() { return jobs_; }
    QPlainTextEdit* Details() const { return details_; }

public slots:
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
    void SelectMostRecent();
    void SelectionChanged();
    void RefreshActions();
    void RefreshDetails();
    void JobEnded(const QString& path);
    void ShowContextMenu(const QContextMenuEvent& event);
    bool Open(const QString& target);
    std::optional<std::int64_t> ViewConfirmedFor(const std::string& path) const;
    void ConfirmView(const std::string& path, std::int64_t modified);
    bool StopJobsBeforeClosing();

    std::string dataFolder_;
    JobBoard jobs_;
    BackupTableModel model_;
    std::shared_ptr<QuestionPresenter> questions_;
    QSortFilterProxyModel* sorted_ = nullptr;
    QTableView* table_ = nullptr;
    QPlainTextEdit* details_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QPushButton* update_ = nullptr;
    QPushButton* media_ = nullptr;
    QPushButton* view_ = nullptr;
    QPushButton* folder_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* stop_ = nullptr;
    QCheckBox* daily_ = nullptr;
    QMenu* menu_ = nullptr;
    QFileSystemWatcher watcher_;
    QTimer reloadSoon_;
    QTimer clock_;
};

}  // namespace qv::library
