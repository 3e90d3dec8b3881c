// SPDX-License-Identifier: GPL-3.0-or-later
// One row per backup of library.json, and one per first backup under way:
// the blog, its posts, how complete it is, when it was last updated, its
// media and offline view, and its job. Rows are found by the backup's path;
// a new list changes only the rows that changed, so the selection and the
// scrolling stay. The job column follows the JobBoard.
#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <functional>
#include <vector>

#include "catalog/BackupCatalog.h"
#include "library/BackupState.h"

namespace qv::library {

class JobBoard;

struct BackupRow {
    catalog::CatalogEntry entry;
    BackupState state;
    bool daily = false;    // a daily update is set up
    bool pending = false;  // a first backup, not in library.json (yet)

    bool operator==(const BackupRow&) const = default;
};

class BackupTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Blog, Posts, Completeness, Updated, Media, OfflineView, Job, ColumnCount };
    // The value a column sorts by.
    static constexpr int SortRole = Qt::UserRole + 1;
    // 0..100 while a job with a known total runs; invalid otherwise.
    static constexpr int PercentRole = Qt::UserRole + 2;

    explicit BackupTableModel(const JobBoard& jobs, QObject* parent = nullptr);

    // Takes a new list: rows of backups no longer listed go, changed rows
    // change, new ones are added.
    void SetRows(std::vector<BackupRow> rows);
    const std::vector<BackupRow>& Rows() const { return rows_; }
    // The row of the backup at `path`, -1 when it is not listed.
    int RowOf(const std::string& path) const;
    const BackupRow* At(int row) const;

    // "Now" for the relative times; the clock unless a test sets it.
    void SetNow(std::function<QDateTime()> now) { now_ = std::move(now); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void JobChanged(const QString& path);

private:
    QVariant Display(const BackupRow& row, int column) const;
    QVariant SortKey(const BackupRow& row, int column) const;
    QVariant ToolTip(const BackupRow& row, int column) const;
    QString JobText(const BackupRow& row) const;
    // A job of the row keeps its media now.
    bool KeepingMedia(const BackupRow& row) const;
    bool SharesItsName(const BackupRow& row) const;
    static QString FileName(const BackupRow& row);

    const JobBoard& jobs_;
    std::vector<BackupRow> rows_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
};

}  // namespace qv::library
