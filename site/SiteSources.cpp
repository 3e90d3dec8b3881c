// SPDX-License-Identifier: GPL-3.0-or-later
#include "SiteSources.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <vector>

#include "ProgramIdentity.h"
#include "Sha256.h"

namespace qv::site {

namespace {

// The hex SHA-256 of the file's bytes; "" when it can't be read.
std::string FileDigest(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "";
    media::Sha256 sha;
    std::vector<char> buffer(1 << 20);
    bool whole = false;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            whole = got == 0;
            break;
        }
        sha.Add(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    }
    ::close(fd);
    return whole ? sha.HexDigest() : "";
}

std::string StampText(const std::optional<FileStamp>& stamp) {
    if (!stamp) return "none";
    return std::to_string(stamp->inode) + " " + std::to_string(stamp->size) + " " +
           std::to_string(stamp->modifiedNs) + " " + std::to_string(stamp->changedNs);
}

bool AddMediaFolder(const std::string& folder, media::Sha256& sha) {
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
    if (!listing) {
        sha.Add(errno == ENOENT ? "no media folder\n" : "");
        return errno == ENOENT;
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    if (errno != 0) return false;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        sha.Add(name);
        sha.Add(std::string_view("\0", 1));
        sha.Add(StampText(StampOfFile(folder + "/" + name)));
        sha.Add("\n");
    }
    return true;
}

}  // namespace

std::optional<Digest> SourcesDigest(const SiteSources& sources) {
    const std::string program = ProgramIdentity();
    if (program.empty()) return std::nullopt;
    media::Sha256 sha;
    // Each text on a line of its own, its length first: no two sets of sources read alike.
    const auto add = [&sha](const std::string& text) {
        sha.Add(std::to_string(text.size()) + ":" + text + "\n");
    };
    add(program);
    add(std::filesystem::path(sources.backupFile).filename().string());
    add(sources.mediaFolder);
    add(sources.mediaFolderHref);
    add(sources.remoteMedia ? "remote media" : "kept media only");
    const std::string backup = FileDigest(sources.backupFile);
    if (backup.empty()) return std::nullopt;
    add(backup);
    if (!AddMediaFolder(sources.mediaFolder, sha)) return std::nullopt;
    const auto full = sha.Digest();
    Digest digest;
    std::copy_n(full.begin(), digest.size(), digest.begin());
    return digest;
}

}  // namespace qv::site
