// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/DailyUpdate.h"

#include <QFileInfo>

#include "library/CliCommands.h"

namespace qv::library {

schedule::ScheduledBackup ScheduledBackupOf(const catalog::CatalogEntry& entry) {
    schedule::ScheduledBackup backup{entry, {}};
    const QString program = CliProgram();
    if (!program.isEmpty()) backup.cliProgram = QFileInfo(program).absoluteFilePath().toStdString();
    return backup;
}

bool UpdatedDaily(const catalog::CatalogEntry& entry) {
    schedule::ScheduledBackup backup;
    backup.entry.path = entry.path;  // the units are named by the path alone
    return schedule::IsEnabled(backup);
}

}  // namespace qv::library
