// SPDX-License-Identifier: GPL-3.0-or-later
// What lies beside a backup file, as the list shows it: whether the file is
// still there, what its media folder's manifest says, and whether its offline
// view was written from the backup as it is now. Read from the disk each time,
// on a worker: a manifest may be large.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qv::library {

struct MediaCounts {
    bool kept = false;  // a manifest exists: media were kept at least once
    int files = 0;      // kept files
    int missing = 0;
    int failed = 0;

    bool operator==(const MediaCounts&) const = default;
};

enum class OfflineView { None, OutOfDate, UpToDate };

struct BackupState {
    bool exists = false;
    std::int64_t modified = 0;  // the file's modification time, nanoseconds since the epoch
    MediaCounts media;
    OfflineView view = OfflineView::None;
    std::string indexFile;  // the offline view's index.html

    bool operator==(const BackupState&) const = default;
};

// The file's modification time in nanoseconds since the epoch; nullopt when
// it is no regular file.
std::optional<std::int64_t> ModifiedAt(const std::string& path);

// `viewConfirmedFor`: the backup's modification time when a run of the
// offline view last ended well. Such a run rewrites only pages that changed,
// so a view written from a backup that was saved again unchanged stays older
// than the backup and is still up to date.
BackupState InspectBackup(const std::string& path, std::optional<std::int64_t> viewConfirmedFor);

}  // namespace qv::library
