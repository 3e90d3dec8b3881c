// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/FirstBackup.h"

#include <ctime>
#include <filesystem>

#include "PasswordVariables.h"
#include "backupfiles/BackupFiles.h"

namespace qv::library {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CliCommand FirstBackupCommand(const FirstBackupRequest& request) {
    CliCommand command{JobKind::Backup, {Text(request.address), "-o", Text(request.target), "--json"}};
    if (request.extend) command.arguments << "-i" << Text(request.target);
    if (request.media) command.arguments << "--media";
    if (request.html) command.arguments << "--html";
    if (!request.email.isEmpty()) command.arguments << "-e" << request.email;
    // A key typed now comes in the environment; none: the one the keyring keeps.
    if (request.reader == Reader::V2)
        command.arguments << "--api"
                          << "v2"
                          << "--keyring";
    return command;
}

QProcessEnvironment FirstBackupEnvironment(const FirstBackupRequest& request) {
    QProcessEnvironment environment = ChildEnvironment({request.password, request.blogPassword, {}});
    const bool v2 = request.reader == Reader::V2;
    for (const auto& [name, value] :
         {std::pair{kApiKeyVariable, request.apiKey}, std::pair{kApiSecretVariable, request.apiSecret}}) {
        environment.remove(name);
        if (v2 && !value.isEmpty()) environment.insert(name, value);
    }
    return environment;
}

std::string ProposedFolder(const std::string& recentBackup, const std::string& home) {
    if (!recentBackup.empty()) return std::filesystem::path(recentBackup).parent_path().string();
    return (std::filesystem::path(home) / "Quillvault").string();
}

std::string ProposedTarget(const std::string& folder, const std::string& address) {
    const std::tm unused{};
    return (std::filesystem::path(folder) / backupfiles::ProposedName(address, false, unused)).string();
}

}  // namespace qv::library
