// SPDX-License-Identifier: GPL-3.0-or-later
// The Library's side of a backup's daily update: the schedule's view of a
// listed backup, run by the quillvault-cli the Library itself runs.
#pragma once

#include "Status.h"
#include "catalog/BackupCatalog.h"
#include "library/CliCommands.h"
#include "schedule/DailyUpdate.h"

namespace qv::library {

// On the window's thread: it asks where quillvault-cli is.
schedule::ScheduledBackup ScheduledBackupOf(const catalog::CatalogEntry& entry);
bool UpdatedDaily(const catalog::CatalogEntry& entry);

// How setting up a daily update went, and at which step it failed.
struct DailySetup {
    Status status;
    // The keyring could keep the passwords, and the service manager failed:
    // Unavailable then means there is none, and cron may run the update.
    bool atScheduling = false;
};

// On a worker, as they wait for systemctl and the keyring. Sets up the
// daily update, keeping `passwords` in the keyring when it needs them; when
// it fails, neither the passwords nor the units stay behind.
DailySetup SetUpDailyUpdate(const schedule::ScheduledBackup& scheduled, const JobPasswords& passwords);
// Removes the daily update and forgets its passwords.
Status RemoveDailyUpdate(const schedule::ScheduledBackup& scheduled);

}  // namespace qv::library
