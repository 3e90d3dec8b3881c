// SPDX-License-Identifier: GPL-3.0-or-later
// A backup's passwords in the desktop's keyring (the Secret Service on the
// session bus, through libsecret), so that a scheduled run can read them
// without a person: stored by the Library, read by the command line.
// Every call gives up after a bounded time rather than wait on a bus or a
// keyring that does not answer.
#pragma once

#include <string>

#include "Status.h"

namespace qv::keyring {

enum class Secret {
    AccountPassword,
    BlogPassword,
    // The service's v2 API: the application's key and secret, and the
    // signed-in user's token and its secret. One of each, for every blog:
    // stored and read with an empty address and e-mail.
    ApiKey,
    ApiSecret,
    AccessToken,
    AccessTokenSecret,
};

// Whether a Secret Service answers, or can be started, on the session bus.
bool Available();

// Each answers Unavailable when no keyring is there, Timeout when it did not answer
// in time (a locked keyring waits for its password), Cancelled when the
// person dismissed its prompt.
Status Store(const std::string& address, const std::string& email, Secret which, const std::string& password);
// NotFound when nothing is stored for them.
Result<std::string> Lookup(const std::string& address, const std::string& email, Secret which);
// Nothing stored is no failure.
Status Forget(const std::string& address, const std::string& email, Secret which);

}  // namespace qv::keyring
