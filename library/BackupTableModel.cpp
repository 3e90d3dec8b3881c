// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/BackupTableModel.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QLocale>
#include <QPalette>
#include <QStyle>
#include <algorithm>

#include "CliEvents.h"
#include "library/JobBoard.h"
#include "library/Wording.h"

namespace qv::library {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

QString BlogName(const catalog::CatalogEntry& entry) {
    if (entry.title.empty()) return Text(entry.address);
    return Text(entry.title) + "  —  " + Text(entry.address);
}

QDateTime UpdatedAt(const catalog::CatalogEntry& entry) { return QDateTime::fromSecsSinceEpoch(entry.updated); }

// The jobs that keep media: on their own, or after the backup run when ticked.
constexpr JobKind kMediaKeepers[] = {JobKind::Backup, JobKind::Update, JobKind::Media};

}  // namespace

BackupTableModel::BackupTableModel(const JobBoard& jobs, QObject* parent) : QAbstractTableModel(parent), jobs_(jobs) {}

void BackupTableModel::SetRows(std::vector<BackupRow> rows) {
    const auto listed = [&rows](const std::string& path) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const BackupRow& row) { return row.entry.path == path; });
    };
    for (int at = static_cast<int>(rows_.size()) - 1; at >= 0; --at) {
        if (listed(rows_[static_cast<std::size_t>(at)].entry.path)) continue;
        beginRemoveRows({}, at, at);
        rows_.erase(rows_.begin() + at);
        endRemoveRows();
    }
    for (BackupRow& row : rows) {
        const int at = RowOf(row.entry.path);
        if (at < 0) {
            const int end = static_cast<int>(rows_.size());
            beginInsertRows({}, end, end);
            rows_.push_back(std::move(row));
            endInsertRows();
        } else if (!(rows_[static_cast<std::size_t>(at)] == row)) {
            rows_[static_cast<std::size_t>(at)] = std::move(row);
            emit dataChanged(index(at, 0), index(at, ColumnCount - 1));
        }
    }
}

int BackupTableModel::RowOf(const std::string& path) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].entry.path == path) return static_cast<int>(i);
    return -1;
}

const BackupRow* BackupTableModel::At(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? &rows_[static_cast<std::size_t>(row)] : nullptr;
}

int BackupTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BackupTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant BackupTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[] = {"Blog", "Posts", "Completeness", "Last updated", "Media", "Offline view", "Job"};
    return section >= 0 && section < ColumnCount ? QString(titles[section]) : QVariant();
}

QString BackupTableModel::JobText(const BackupRow& row) const {
    if (const JobState* job = jobs_.State(row.entry.path); job && (job->running || !job->outcome.isEmpty()))
        return RowText(*job);
    if (row.pending) return {};
    if (!row.state.exists) return "File missing";
    if (row.daily) return "Updated daily";
    return {};
}

bool BackupTableModel::KeepingMedia(const BackupRow& row) const {
    return std::any_of(std::begin(kMediaKeepers), std::end(kMediaKeepers), [&](JobKind kind) {
        const JobState* job = jobs_.State(row.entry.path, kind);
        return job && job->running && job->command == events::command::kMedia;
    });
}

// Two backups of one blog (dated ones, a copy elsewhere) are told apart by their files.
bool BackupTableModel::SharesItsName(const BackupRow& row) const {
    const QString name = BlogName(row.entry);
    return std::count_if(rows_.begin(), rows_.end(),
                         [&](const BackupRow& other) { return BlogName(other.entry) == name; }) > 1;
}

QString BackupTableModel::FileName(const BackupRow& row) { return QFileInfo(Text(row.entry.path)).fileName(); }

QVariant BackupTableModel::Display(const BackupRow& row, int column) const {
    switch (column) {
        case Blog: return SharesItsName(row) ? BlogName(row.entry) + "  (" + FileName(row) + ")" : BlogName(row.entry);
        case Posts:
            return row.pending ? QString() : Count(row.entry.posts);
        case Completeness:
            return row.pending ? QString() : library::Completeness(row.entry.posts, row.entry.announced);
        case Updated: return row.entry.updated > 0 ? RelativeTime(UpdatedAt(row.entry), now_()) : QString("never");
        case Media:
            return row.state.exists ? MediaText(row.state.media, KeepingMedia(row)) : QString();
        case OfflineView: return row.state.exists ? ViewText(row.state.view) : QString();
        case Job: return JobText(row);
    }
    return {};
}

QVariant BackupTableModel::SortKey(const BackupRow& row, int column) const {
    switch (column) {
        case Blog: return BlogName(row.entry).toLower();
        case Posts: return qlonglong(row.entry.posts);
        case Completeness:
            // Least complete first when ascending; a complete backup counts as 1.
            return row.entry.announced && *row.entry.announced > 0
                       ? std::min(1.0, double(row.entry.posts) / double(*row.entry.announced))
                       : 1.0;
        case Updated: return qlonglong(row.entry.updated);
        case Media: return row.state.media.kept ? row.state.media.files : -1;
        case OfflineView: return static_cast<int>(row.state.view);
        case Job: return JobText(row);
    }
    return {};
}

QVariant BackupTableModel::ToolTip(const BackupRow& row, int column) const {
    switch (column) {
        case Blog:
            if (row.pending) return Text(row.entry.path) + "\nA first backup of the blog, not saved yet.";
            return row.state.exists ? Text(row.entry.path)
                                    : Text(row.entry.path) + "\nThe backup file is missing: it was moved or deleted.";
        case Updated:
            return row.entry.updated > 0 ? QLocale().toString(UpdatedAt(row.entry), QLocale::LongFormat) : QVariant();
        case OfflineView:
            return row.state.view == OfflineView::None ? QVariant() : Text(row.state.indexFile);
        case Job: {
            // The row's bar has room for a few words; all of them are here.
            QStringList lines;
            for (const JobState* job : jobs_.RunningJobs(row.entry.path)) lines << ProgressText(*job);
            if (lines.isEmpty())
                if (const JobState* job = jobs_.State(row.entry.path)) lines << job->outcome;
            lines.removeAll(QString());
            return lines.isEmpty() ? Display(row, Job) : QVariant(lines.join('\n'));
        }
    }
    return {};
}

QVariant BackupTableModel::data(const QModelIndex& index, int role) const {
    const BackupRow* row = At(index.row());
    if (!row || index.column() < 0 || index.column() >= ColumnCount) return {};
    switch (role) {
        case Qt::DisplayRole: return Display(*row, index.column());
        case Qt::ToolTipRole: return ToolTip(*row, index.column());
        case SortRole: return SortKey(*row, index.column());
        case Qt::TextAlignmentRole:
            return index.column() == Posts ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
        case Qt::ForegroundRole:
            if (!row->state.exists && !row->pending)
                return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
            return {};
        case Qt::DecorationRole:
            if (index.column() == Blog && !row->state.exists && !row->pending)
                return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
            return {};
        case PercentRole:
            if (index.column() != Job) return {};
            if (const JobState* job = jobs_.State(row->entry.path))
                if (const auto percent = Percent(*job)) return *percent;
            return {};
    }
    return {};
}

void BackupTableModel::JobChanged(const QString& path) {
    const int row = RowOf(path.toStdString());
    if (row >= 0) emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

}  // namespace qv::library
