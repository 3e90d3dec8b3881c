// SPDX-License-Identifier: GPL-3.0-or-later
// library.json in the data folder: every backup the window, the command line
// and the Library know of, with what a later update needs (never a password).
// Each change replaces the file atomically, owner-only, under a lock, so runs
// that finish at the same time do not lose each other's entries. A damaged
// file is set aside under another name, never deleted, and reported.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FileOps.h"
#include "Status.h"

namespace qv::catalog {

// The proxy choice of an entry whose updates connect directly, whatever the window's setup says.
inline constexpr const char* kNoProxy = "none";
// The API an entry's blog was read through: the read API, or the v2 API.
inline constexpr const char* kApiV1 = "v1";
inline constexpr const char* kApiV2 = "v2";

struct CatalogEntry {
    std::string path;     // absolute path of the backup file
    std::string address;  // the blog's address (host name)
    std::string title;    // the blog's title when known
    std::int64_t updated = 0;  // seconds since the epoch of the last successful save
    std::int64_t posts = 0;    // posts in the backup
    std::optional<std::int64_t> announced;  // the total the service last announced
    std::string email;          // account e-mail for a later update ("" none)
    bool blogPassword = false;  // the blog is password-protected
    std::string proxy;          // "" the window's proxy setup, kNoProxy, or "http://[user@]host:port"
    std::string api;            // kApiV2, or kApiV1 ("" as kApiV1: the read API)
    bool signedIn = false;      // read through the v2 API with a signed-in user's token

    bool operator==(const CatalogEntry&) const = default;
};

// The user's data folder, shared with the window's history and log:
// $XDG_DATA_HOME (else ~/.local/share) + "/Quarrytide/Quillvault".
Result<std::string> UserDataFolder();

// dataFolder + "/library.json"
std::string CatalogFile(const std::string& dataFolder);

struct Loaded {
    std::vector<CatalogEntry> entries;
    // Not empty when a damaged file was set aside: says where it went.
    std::string warning;
};

// The entries in the order they were first recorded; none when there is no file yet.
Loaded Load(const std::string& dataFolder, FileOps& files = SystemFileOps());

// The entry of a backup saved just now; what a later update needs (the
// e-mail, the blog's password being asked, the proxy) is the caller's to add.
CatalogEntry SavedNow(const std::string& path, const std::string& address, const std::string& title,
                      std::int64_t posts, std::optional<std::int64_t> announced);

// How a change of the list went, and what its caller must say besides: a
// damaged list met on the way was set aside and the change made to an empty one.
struct [[nodiscard]] Changed {
    Status status;
    // Where the damaged list went, or that it could not be moved: words for people.
    std::optional<std::string> setAside;

    bool ok() const { return status.ok(); }
};

// Adds the entry of entry.path or replaces it, keeping the known title when
// the new entry has none. Makes the data folder when needed.
Changed Record(const std::string& dataFolder, const CatalogEntry& entry, FileOps& files = SystemFileOps());

// Forgets the entry of `path`; the backup file itself is not touched.
Changed Forget(const std::string& dataFolder, const std::string& path, FileOps& files = SystemFileOps());

}  // namespace qv::catalog
