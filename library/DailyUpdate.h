// SPDX-License-Identifier: GPL-3.0-or-later
// The Library's side of a backup's daily update: the schedule's view of a
// listed backup, run by the quillvault-cli the Library itself runs.
#pragma once

#include "catalog/BackupCatalog.h"
#include "schedule/DailyUpdate.h"

namespace qv::library {

schedule::ScheduledBackup ScheduledBackupOf(const catalog::CatalogEntry& entry);
bool UpdatedDaily(const catalog::CatalogEntry& entry);

}  // namespace qv::library
