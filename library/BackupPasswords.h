// SPDX-License-Identifier: GPL-3.0-or-later
// The passwords of a backup's runs: an account's for its e-mail address, a
// protected blog's, a proxy user's. Taken from the desktop's keyring when it
// holds them, else asked; kept in the keyring only for a daily update,
// which has nobody to ask. Never written anywhere else.
#pragma once

#include <optional>

#include "Status.h"
#include "catalog/BackupCatalog.h"
#include "library/CliCommands.h"
#include "library/Questions.h"

namespace qv::library {

// For a run now; nothing when the person cancelled a question.
std::optional<JobPasswords> PasswordsForRun(const catalog::CatalogEntry& entry, QuestionPresenter& questions,
                                            QWidget* owner);

// Whether a daily run of the backup needs a password from the keyring.
bool NeedsStoredPasswords(const catalog::CatalogEntry& entry);
// Asks the passwords a daily run needs and stores them in the keyring:
// Unavailable with no keyring, Cancelled when the person cancelled.
Status StorePasswordsForDailyRuns(const catalog::CatalogEntry& entry, QuestionPresenter& questions,
                                  QWidget* owner);
// Forgets what StorePasswordsForDailyRuns stored.
Status ForgetStoredPasswords(const catalog::CatalogEntry& entry);

}  // namespace qv::library
