// SPDX-License-Identifier: GPL-3.0-or-later
// The command lines of the Library's jobs: every job is a run of
// quillvault-cli with --json, so that whatever the Library does, the command
// line can do too. Passwords never appear here: they go to the child through
// its environment (JobPasswords).
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "catalog/BackupCatalog.h"

namespace qv::library {

// A first backup of a blog (Backup), a later one of a listed backup (Update),
// its media, its offline view.
enum class JobKind { Backup, Update, Media, OfflineView };

// Whether a job of `wanted` may start while one of `running` runs on the same
// backup: reading it (its offline view) and keeping its media go side by side;
// a backup run changes it, and goes alone.
bool JobsGoTogether(JobKind running, JobKind wanted);

struct CliCommand {
    JobKind kind = JobKind::Update;
    QStringList arguments;
};

// quillvault-cli -i FILE -o FILE ADDRESS --json [-e EMAIL] [--keyring] [--proxy URL | --no-proxy]:
// the passwords from the keyring where the daily update keeps them, else from the environment.
CliCommand UpdateCommand(const catalog::CatalogEntry& entry, bool passwordsFromKeyring);
// quillvault-cli media FILE --json
CliCommand MediaCommand(const std::string& backup);
// quillvault-cli html FILE --json
CliCommand OfflineViewCommand(const std::string& backup);

// The passwords a run may need, each handed over in its environment variable.
struct JobPasswords {
    QString account;  // the e-mail address's account
    QString blog;     // a password-protected blog
    QString proxy;    // the proxy user's
};
// The Library's own environment without any password variable it may have
// been started with, plus the given ones.
QProcessEnvironment ChildEnvironment(const JobPasswords& passwords);

// QUILLVAULT_CLI when set; else quillvault-cli beside the Library's own
// executable; else the one on PATH; "" when there is none.
QString CliProgram();
// The program that hands a page or folder to the desktop: QUILLVAULT_OPENER
// when set, else xdg-open.
QString OpenerProgram();

// Whether a proxy choice names a user, whose password the run then needs.
bool ProxyHasUser(const std::string& proxy);

}  // namespace qv::library
