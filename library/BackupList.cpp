// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/BackupList.h"

#include "library/DailyUpdate.h"

namespace qv::library {

BackupList ReadBackupList(const std::string& dataFolder,
                          const std::map<std::string, std::int64_t>& viewsConfirmed) {
    catalog::Loaded loaded = catalog::Load(dataFolder);
    BackupList list;
    list.warning = std::move(loaded.warning);
    list.rows.reserve(loaded.entries.size());
    for (catalog::CatalogEntry& entry : loaded.entries) {
        const auto confirmed = viewsConfirmed.find(entry.path);
        BackupState state = InspectBackup(entry.path, confirmed == viewsConfirmed.end()
                                                          ? std::nullopt
                                                          : std::optional<std::int64_t>(confirmed->second));
        const bool daily = UpdatedDaily(entry);
        list.rows.push_back({std::move(entry), std::move(state), daily, false});
    }
    return list;
}

}  // namespace qv::library
