// SPDX-License-Identifier: GPL-3.0-or-later
// A backup started from the Library: what the "Back up a blog…" dialog
// asks, the file it proposes, and the run of quillvault-cli it becomes.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "library/CliCommands.h"

namespace qv::library {

// The reader of the blog: the read API (the command line's own choice, the
// read API first), or the service's v2 API with the application's key.
enum class Reader { ReadApi, V2 };

struct FirstBackupRequest {
    std::string address;   // the bare address (BareBlogAddress)
    std::string target;    // absolute path of the file to write
    bool extend = false;   // the target is an earlier backup to extend, not replace
    QString email;         // the account's, for its private posts; "" none
    QString password;      // the account's
    QString blogPassword;  // a protected blog's; "" none
    Reader reader = Reader::ReadApi;
    QString apiKey;     // the application's; "" : the one the keyring keeps
    QString apiSecret;  // likewise
    bool media = false;
    bool html = false;
    bool daily = false;
};

// quillvault-cli ADDRESS -o FILE --json [-i FILE] [--media] [--html] [-e EMAIL]
// [--api v2 --keyring]: the v2 API reads the key, secret and sign-in the
// keyring keeps. The passwords, key and secret are never among the words:
// they go in the environment (FirstBackupEnvironment), and the key and secret
// typed into the keyring too, for the updates.
CliCommand FirstBackupCommand(const FirstBackupRequest& request);
// The Library's environment with the request's passwords and key, and no other.
QProcessEnvironment FirstBackupEnvironment(const FirstBackupRequest& request);

// Where a new backup goes: the folder of the most recently updated backup
// (`recentBackup`, "" when there is none), else `home`/Quillvault.
std::string ProposedFolder(const std::string& recentBackup, const std::string& home);
// `folder`/<address>.xml
std::string ProposedTarget(const std::string& folder, const std::string& address);

}  // namespace qv::library
