// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/BackupState.h"

#include <sys/stat.h>

#include "FolderRecords.h"
#include "backupfiles/BackupFiles.h"

namespace qv::library {

namespace {

std::optional<std::int64_t> ModifiedAt(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

// What the media folder's records say, with what a run that was killed left in their journal.
MediaCounts CountMedia(const std::string& backup) {
    MediaCounts counts;
    const Result<media::FolderRecords> records = media::ReadFolderRecords(backupfiles::MediaFolder(backup));
    if (!records || !records->found) return counts;
    counts.kept = true;
    for (const media::ManifestEntry& entry : records->entries) {
        switch (entry.status) {
            case media::MediaStatus::Kept: ++counts.files; break;
            case media::MediaStatus::Missing: ++counts.missing; break;
            case media::MediaStatus::Failed: ++counts.failed; break;
            case media::MediaStatus::External: break;
        }
    }
    return counts;
}

}  // namespace

BackupState InspectBackup(const std::string& path, std::optional<std::int64_t> viewConfirmedFor) {
    BackupState state;
    const auto modified = ModifiedAt(path);
    state.indexFile = backupfiles::SiteFolder(path) + "/index.html";
    if (!modified) return state;
    state.exists = true;
    state.modified = *modified;
    state.media = CountMedia(path);
    if (const auto written = ModifiedAt(state.indexFile)) {
        state.view = *written >= *modified || viewConfirmedFor == *modified ? OfflineView::UpToDate
                                                                             : OfflineView::OutOfDate;
    }
    return state;
}

}  // namespace qv::library
