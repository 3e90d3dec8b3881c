// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/CliCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include "CliEvents.h"
#include "PasswordVariables.h"
#include "catalog/UpdateCommand.h"

namespace qv::library {

namespace {

constexpr const char* kCliName = "quillvault-cli";

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CliCommand UpdateCommand(const catalog::CatalogEntry& entry) {
    CliCommand command{JobKind::Update, {}};
    // The passwords go to the child in its environment (ChildEnvironment).
    for (const std::string& word : catalog::UpdateArguments(entry, {"--json"}, catalog::Passwords::FromEnvironment))
        command.arguments << Text(word);
    return command;
}

CliCommand MediaCommand(const std::string& backup) {
    return {JobKind::Media, {events::command::kMedia, Text(backup), "--json"}};
}

CliCommand OfflineViewCommand(const std::string& backup) {
    return {JobKind::OfflineView, {events::command::kHtml, Text(backup), "--json"}};
}

QProcessEnvironment ChildEnvironment(const JobPasswords& passwords) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const std::pair<const char*, const QString*> variables[] = {{kPasswordVariable, &passwords.account},
                                                                {kBlogPasswordVariable, &passwords.blog},
                                                                {kProxyPasswordVariable, &passwords.proxy}};
    for (const auto& [name, value] : variables) {
        environment.remove(name);
        if (!value->isEmpty()) environment.insert(name, *value);
    }
    return environment;
}

QString CliProgram() {
    const QString chosen = qEnvironmentVariable("QUILLVAULT_CLI");
    if (!chosen.isEmpty()) return chosen;
    const QFileInfo beside(QDir(QCoreApplication::applicationDirPath()).filePath(kCliName));
    if (beside.isFile() && beside.isExecutable()) return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(kCliName);
}

QString OpenerProgram() {
    const QString chosen = qEnvironmentVariable("QUILLVAULT_OPENER");
    return chosen.isEmpty() ? QStringLiteral("xdg-open") : chosen;
}

bool ProxyHasUser(const std::string& proxy) {
    if (proxy.empty() || proxy == catalog::kNoProxy) return false;
    return !QUrl(Text(proxy)).userName().isEmpty();
}

}  // namespace qv::library
