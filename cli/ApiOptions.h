// SPDX-License-Identifier: GPL-3.0-or-later
// The options of the service's v2 API: which API a run reads the blog
// through, where the application's key and secret and the user's token come
// from (the environment, files or the keyring: never an argument, which
// would show in the process list), the service's addresses, and the listings
// a signed run adds.
#pragma once

#include <string>

#include "CommandLine.h"
#include "ServiceApi.h"
#include "Status.h"

namespace CLI {
class App;
}

namespace qv::cli {

// --api-key-file, --api-secret-file, --api-base and --oauth-base.
void DeclareApiAccessOptions(CLI::App& app, ApiArguments& arguments, V2Access& access);
// --api, --drafts and --queue: a backup run's choice.
void DeclareReaderOptions(CLI::App& app, ApiArguments& arguments, V2Access& access);

// The key and secret from their files or the environment, the token from
// the environment, the addresses checked; `reader`, when given, from --api.
// Usage when they can't be used as given.
Status TakeApiOptions(const ApiArguments& arguments, const EnvironmentReader& environment, V2Access& access,
                      Reader* reader);

// What the keyring keeps of the key, the secret and the token, where the
// environment and the files gave none. Nothing kept is no failure; a keyring
// that can't be asked is.
Status ReadApiKeyring(V2Access& access);

// Whether a run of the request has what its API needs: Usage, saying where
// it goes, when the v2 API has no key, or drafts, the queue or likes lack
// what they need.
Status CheckApiRequest(const BackupOptions& request);

// Where the application's key goes, as the sentence a wall of the read API ends with.
std::string V2Hint();

}  // namespace qv::cli
