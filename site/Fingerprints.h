// SPDX-License-Identifier: GPL-3.0-or-later
// The two ways the site tells that something is as it was: a digest of its
// bytes, and a file's stamp (what stat says changes whenever anyone writes,
// replaces, touches or re-creates the file).
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv::site {

// The first half of a SHA-256: enough that no two contents share one by chance.
using Digest = std::array<unsigned char, 16>;

Digest DigestOf(std::string_view bytes);
std::string HexOf(const Digest& digest);
std::optional<Digest> DigestFromHex(std::string_view hex);

struct FileStamp {
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    // The change time: no one but the kernel sets it, so a file put back with
    // its old modification time still shows.
    std::int64_t changedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const struct stat& info);
// The stamp of the file `path` names (through a link); nullopt when there is
// no such file or it is no regular file.
std::optional<FileStamp> StampOfFile(const std::string& path);
// The same for `name` in the open folder `folder`.
std::optional<FileStamp> StampOfFileAt(int folder, const char* name);

}  // namespace qv::site
