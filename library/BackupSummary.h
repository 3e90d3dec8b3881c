// SPDX-License-Identifier: GPL-3.0-or-later
// What a backup file says of itself, for adding it to the list by hand: the
// blog's name and title, its posts, and the total the service announced.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Status.h"

namespace qv::library {

struct BackupSummary {
    std::string address;  // "" when the file names no blog
    std::string title;
    std::int64_t posts = 0;
    std::optional<std::int64_t> announced;
};

// Fails with UnreadableXml or NotBlogXml for a file that is no backup.
Result<BackupSummary> ReadBackupSummary(const std::string& path);

// The address of the blog a backup names: its own domain when it has one,
// else its name on the service.
std::string BlogAddressOf(const std::string& name, const std::string& ownDomain);

}  // namespace qv::library
