// SPDX-License-Identifier: GPL-3.0-or-later
// The list as it stands on the disk: library.json, and beside every backup
// its file, its media folder's records, its offline view and its daily
// update. Read on a worker: it waits on the catalog's lock and reads every
// manifest.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "library/BackupTableModel.h"

namespace qv::library {

struct BackupList {
    std::vector<BackupRow> rows;
    std::string warning;  // library.json could not be read, or was set aside
};

// `viewsConfirmed`: by backup path, the modification time its offline view
// was last confirmed for (InspectBackup).
BackupList ReadBackupList(const std::string& dataFolder,
                          const std::map<std::string, std::int64_t>& viewsConfirmed);

}  // namespace qv::library
