// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps a backup current by itself: a systemd user timer and service per
// backup that run the command line's incremental update once a day, with the
// media and the offline view, and the equivalent crontab line where the user
// has no service manager of their own.
#pragma once

#include <string>
#include <vector>

#include "Status.h"
#include "catalog/BackupCatalog.h"

namespace qv::schedule {

struct ScheduledBackup {
    catalog::CatalogEntry entry;  // its file (absolute path), blog, account and proxy choice
    std::string cliProgram;       // absolute path of quillvault-cli to run
};

// The words of the daily run: quillvault-cli -i FILE -o FILE ADDRESS --media
// --html -q, with -e EMAIL and --keyring when a password is needed (which
// only the keyring can hand it), and the proxy choice.
std::vector<std::string> UpdateCommand(const ScheduledBackup& backup);

// "quillvault-update-<file name>-<hash of the path>": readable, unique per
// backup path, and made only of characters a unit name takes as they are.
std::string UnitName(const ScheduledBackup& backup);
std::string ServiceUnitText(const ScheduledBackup& backup);
std::string TimerUnitText(const ScheduledBackup& backup);

// The same daily run as a line for `crontab -e`.
std::string CrontabLine(const ScheduledBackup& backup);

// $XDG_CONFIG_HOME/systemd/user (~/.config/systemd/user); "" with no home.
std::string UnitFolder();

// Writes both units, reloads the user's service manager and enables and
// starts the timer. When systemctl fails (Unavailable: no user systemd here), the
// units are removed again and its words are in the status. FileSystem when
// the units can't be written; Usage without writing anything when systemd
// could not run the program (a relative path, or one holding a quote or a
// backslash).
Status Enable(const ScheduledBackup& backup);
// Stops and disables the timer and removes both units (and the timer's link
// in timers.target.wants, should systemctl not answer). FileSystem when a
// unit can't be removed; a failing systemctl after the units are gone is no
// failure, as nothing is left to run.
Status Disable(const ScheduledBackup& backup);
// Whether the timer unit is there.
bool IsEnabled(const ScheduledBackup& backup);

}  // namespace qv::schedule
