// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/DailyUpdate.h"

#include <QFileInfo>

#include "library/BackupPasswords.h"
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

DailySetup SetUpDailyUpdate(const schedule::ScheduledBackup& scheduled, const JobPasswords& passwords) {
    const catalog::CatalogEntry& entry = scheduled.entry;
    if (NeedsStoredPasswords(entry)) {
        if (Status keyring = KeyringForDailyRuns(entry); !keyring.ok()) return {keyring, false};
        if (Status stored = StorePasswords(entry, passwords); !stored.ok()) return {stored, false};
    }
    const Status enabled = schedule::Enable(scheduled);
    if (enabled.ok()) return {enabled, true};
    if (const Status forgotten = ForgetStoredPasswords(entry); !forgotten.ok())
        return {Status(enabled.kind(), enabled.text() + "\n" + forgotten.text()), true};
    return {enabled, true};
}

Status RemoveDailyUpdate(const schedule::ScheduledBackup& scheduled) {
    const Status disabled = schedule::Disable(scheduled);
    // While its units are there, it may still run: its passwords stay with it.
    if (schedule::IsEnabled(scheduled)) return disabled;
    const Status forgotten = ForgetStoredPasswords(scheduled.entry);
    if (!disabled.ok()) return disabled;
    if (!forgotten.ok())
        return forgotten.Within("The daily update is off, but its passwords are still in the keyring:\n\n");
    return Status::Ok();
}

}  // namespace qv::library
