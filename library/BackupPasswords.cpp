// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/BackupPasswords.h"

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

std::optional<QString> Ask(QuestionPresenter& questions, QWidget* owner, const QString& label) {
    return questions.Ask(owner, {kTitle, label, {}, true});
}

}  // namespace

std::optional<JobPasswords> PasswordsForRun(const catalog::CatalogEntry& entry, QuestionPresenter& questions,
                                            QWidget* owner) {
    JobPasswords passwords;
    const std::vector<keyring::Secret> secrets = SecretsOf(entry);
    const bool keyringThere = !secrets.empty() && keyring::Available();
    for (const keyring::Secret which : secrets) {
        QString& into = which == keyring::Secret::AccountPassword ? passwords.account : passwords.blog;
        if (keyringThere) {
            if (const Result<std::string> stored = keyring::Lookup(entry.address, entry.email, which)) {
                into = Text(*stored);
                continue;
            }
        }
        const auto answer = Ask(questions, owner, Label(entry, which));
        if (!answer) return std::nullopt;
        into = *answer;
    }
    if (ProxyHasUser(entry.proxy)) {
        const auto answer = Ask(questions, owner, QString("The password of the proxy %1:").arg(Text(entry.proxy)));
        if (!answer) return std::nullopt;
        passwords.proxy = *answer;
    }
    return passwords;
}

bool NeedsStoredPasswords(const catalog::CatalogEntry& entry) { return !SecretsOf(entry).empty(); }

Status StorePasswordsForDailyRuns(const catalog::CatalogEntry& entry, QuestionPresenter& questions,
                                  QWidget* owner) {
    if (!NeedsStoredPasswords(entry)) return Status::Ok();
    if (!keyring::Available())
        return Status(StatusKind::Unavailable,
                      "A daily update of " + entry.address +
                          " needs its password, and no keyring (Secret Service) answers on this desktop to keep "
                          "it. Without one, update it with Update now.");
    for (const keyring::Secret which : SecretsOf(entry)) {
        const auto answer = Ask(questions, owner, Label(entry, which));
        if (!answer) return Status(StatusKind::Cancelled, "No password was given.");
        if (Status stored = keyring::Store(entry.address, entry.email, which, answer->toStdString()); !stored.ok())
            return stored;
    }
    return Status::Ok();
}

Status ForgetStoredPasswords(const catalog::CatalogEntry& entry) {
    Status forgotten;
    // Each is forgotten even when another could not be; the first failure is said.
    for (const keyring::Secret which : SecretsOf(entry))
        if (Status gone = keyring::Forget(entry.address, entry.email, which); !gone.ok() && forgotten.ok())
            forgotten = gone;
    return forgotten;
}

}  // namespace qv::library
