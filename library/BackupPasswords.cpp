// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/BackupPasswords.h"

#include "catalog/UpdateCommand.h"
#include "keyring/Keyring.h"

namespace qv::library {

namespace {

constexpr const char* kTitle = "Quillvault Library";

QString Text(const std::string& text) { return QString::fromStdString(text); }

QString Label(const catalog::CatalogEntry& entry, keyring::Secret which) {
    if (which == keyring::Secret::AccountPassword)
        return QString("The password of the account %1, for the private posts of %2:")
            .arg(Text(entry.email), Text(entry.address));
    return QString("The password of the blog %1:").arg(Text(entry.address));
}

// The secrets a run of the backup needs, in the order they are asked.
std::vector<keyring::Secret> SecretsOf(const catalog::CatalogEntry& entry) {
    std::vector<keyring::Secret> secrets;
    if (!entry.email.empty()) secrets.push_back(keyring::Secret::AccountPassword);
    if (entry.blogPassword) secrets.push_back(keyring::Secret::BlogPassword);
    return secrets;
}

QString& Into(JobPasswords& passwords, keyring::Secret which) {
    return which == keyring::Secret::AccountPassword ? passwords.account : passwords.blog;
}

std::optional<QString> Ask(QuestionPresenter& questions, QWidget* owner, const QString& label) {
    return questions.Ask(owner, {kTitle, label, {}, true});
}

}  // namespace

bool NeedsStoredPasswords(const catalog::CatalogEntry& entry) { return catalog::NeedsPassword(entry); }

std::optional<JobPasswords> AskPasswordsForRun(const catalog::CatalogEntry& entry, bool fromKeyring,
                                               QuestionPresenter& questions, QWidget* owner) {
    JobPasswords passwords;
    if (!fromKeyring) {
        for (const keyring::Secret which : SecretsOf(entry)) {
            const auto answer = Ask(questions, owner, Label(entry, which));
            if (!answer) return std::nullopt;
            Into(passwords, which) = *answer;
        }
    }
    if (ProxyHasUser(entry.proxy)) {
        const auto answer = Ask(questions, owner, QString("The password of the proxy %1:").arg(Text(entry.proxy)));
        if (!answer) return std::nullopt;
        passwords.proxy = *answer;
    }
    return passwords;
}

std::optional<JobPasswords> AskPasswordsForDailyRuns(const catalog::CatalogEntry& entry,
                                                     QuestionPresenter& questions, QWidget* owner) {
    JobPasswords passwords;
    for (const keyring::Secret which : SecretsOf(entry)) {
        const auto answer = Ask(questions, owner, Label(entry, which));
        if (!answer) return std::nullopt;
        Into(passwords, which) = *answer;
    }
    return passwords;
}

Status KeyringForDailyRuns(const catalog::CatalogEntry& entry) {
    if (keyring::Available()) return Status::Ok();
    return Status(
        StatusKind::Unavailable,
        "A daily update of " + entry.address +
            " needs its password, and no keyring (Secret Service) answers on this desktop to keep it. "
            "Without one, update it with Update now.");
}

Status StorePasswords(const catalog::CatalogEntry& entry, const JobPasswords& passwords) {
    for (const keyring::Secret which : SecretsOf(entry)) {
        JobPasswords copy = passwords;
        const std::string password = Into(copy, which).toStdString();
        if (Status stored = keyring::Store(entry.address, entry.email, which, password); !stored.ok())
            return stored;
    }
    return Status::Ok();
}

Status StoreApiAccess(const QString& key, const QString& secret) {
    for (const auto& [which, value] :
         {std::pair{keyring::Secret::ApiKey, key}, std::pair{keyring::Secret::ApiSecret, secret}}) {
        if (value.isEmpty()) continue;
        if (Status stored = keyring::Store("", "", which, value.toStdString()); !stored.ok()) return stored;
    }
    return Status::Ok();
}

Status ForgetStoredPasswords(const catalog::CatalogEntry& entry) {
    Status forgotten;
    // Each is forgotten even when another could not be; the first failure is
    // said. Where no keyring answers, nothing was kept.
    for (const keyring::Secret which : SecretsOf(entry)) {
        const Status gone = keyring::Forget(entry.address, entry.email, which);
        if (!gone.ok() && !gone.Is(StatusKind::Unavailable) && forgotten.ok()) forgotten = gone;
    }
    return forgotten;
}

}  // namespace qv::library
