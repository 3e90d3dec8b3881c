// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpolicy/DatedJournal.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "backupfiles/BackupFiles.h"
#include "runpolicy/TargetLock.h"

namespace qv::runpolicy {

namespace fs = std::filesystem;

std::optional<std::string> TakeOverDatedJournal(const std::string& target, const std::string& address) {
    const fs::path own(backupfiles::JournalFolder(target));
    std::error_code error;
    if (fs::exists(fs::symlink_status(own, error))) return std::nullopt;
    const fs::path folder = own.parent_path().empty() ? fs::path(".") : own.parent_path();

    // The stamp sorts as the time does: the greatest name is the newest run.
    std::optional<fs::path> newest;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string backup = backupfiles::BackupOfJournal(entry->path().filename().string());
        if (backup.empty() || entry->path() == own || !backupfiles::IsDatedName(backup, address)) continue;
        if (!entry->is_directory(error) || entry->is_symlink(error)) continue;
        if (!newest || entry->path().filename() > newest->filename()) newest = entry->path();
    }
    if (!newest) return std::nullopt;

    // A run that still writes that journal keeps it.
    const std::string earlierTarget = backupfiles::BackupOfJournal(newest->string());
    TargetLock earlier(earlierTarget);
    if (!earlier.Take().ok()) return std::nullopt;
    fs::rename(*newest, own, error);
    if (error) return std::nullopt;
    return newest->string();
}

}  // namespace qv::runpolicy
