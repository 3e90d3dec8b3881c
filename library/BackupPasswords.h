// SPDX-License-Identifier: GPL-3.0-or-later
// The passwords of a backup's runs: an account's for its e-mail address, a
// protected blog's, a proxy user's. Asked when a run needs them; kept in the
// desktop's keyring only for a daily update, which has nobody to ask, and
// then read there by the command line itself (--keyring). Never written
// anywhere else. The keyring calls wait on the bus and on a locked keyring's
// prompt: they run on a worker, never on the window's thread.
#pragma once

#include <optional>

#include "Status.h"
#include "catalog/BackupCatalog.h"
#include "library/CliCommands.h"
#include "library/Questions.h"

namespace qv::library {

// Whether a run of the backup needs the account's or the blog's password.
bool NeedsStoredPasswords(const catalog::CatalogEntry& entry);

// Asks the passwords a run needs now: the account's and the blog's unless
// `fromKeyring` (the command line reads them there), the proxy user's
// always. Nothing when the person cancelled a question.
std::optional<JobPasswords> AskPasswordsForRun(const catalog::CatalogEntry& entry, bool fromKeyring,
                                               QuestionPresenter& questions, QWidget* owner);
// Asks the passwords a daily run reads from the keyring; nothing when cancelled.
std::optional<JobPasswords> AskPasswordsForDailyRuns(const catalog::CatalogEntry& entry,
                                                     QuestionPresenter& questions, QWidget* owner);

// On a worker. Ok when a keyring answers; else Unavailable, saying that a
// daily update of the backup needs one.
Status KeyringForDailyRuns(const catalog::CatalogEntry& entry);
// On a worker: keeps the account's and the blog's password in the keyring.
Status StorePasswords(const catalog::CatalogEntry& entry, const JobPasswords& passwords);
// On a worker: keeps the v2 API's application key and secret in the keyring,
// where runs with --keyring read them; an empty one is left as it is kept.
Status StoreApiAccess(const QString& key, const QString& secret);
// On a worker: forgets what StorePasswords kept; nothing kept is no failure.
Status ForgetStoredPasswords(const catalog::CatalogEntry& entry);

}  // namespace qv::library
