// SPDX-License-Identifier: GPL-3.0-or-later
// What a later update of a listed backup runs: quillvault-cli with the
// entry's file, blog, account and proxy choice. The Library's "Update now"
// and the daily timer run the same words, each with its own additions.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Http.h"
#include "catalog/BackupCatalog.h"

namespace qv::catalog {

// The proxy choice an entry keeps for the proxy a run was given: "" when it
// was given none (the window's setup), kNoProxy, or "http://[user@]host:port"
// (never its password).
std::string ProxyChoice(const std::optional<ProxySettings>& proxy);

// Whether an update needs a password: the account's, or the blog's.
bool NeedsPassword(const CatalogEntry& entry);

// Where an update finds the passwords it needs: its environment (as the
// Library hands them over), or the desktop's keyring (--keyring).
enum class Passwords { FromEnvironment, FromKeyring };

// Whether an update reads the v2 API's key, secret and token from the keyring:
// the entry's blog was read through the v2 API.
bool ThroughV2(const CatalogEntry& entry);

// The arguments after the program's name: -i FILE -o FILE ADDRESS, then
// `options`, then -e EMAIL, --api v2 as the backup was read, --keyring when
// needed (always through the v2 API), and --no-proxy or --proxy URL.
std::vector<std::string> UpdateArguments(const CatalogEntry& entry, const std::vector<std::string>& options,
                                         Passwords passwords);

}  // namespace qv::catalog
