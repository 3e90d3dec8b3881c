// SPDX-License-Identifier: GPL-3.0-or-later
#include "SiteSources.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
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

// The names and stamps of the media folder's files, sorted; nullopt when it
// can't be listed.
std::optional<std::string> MediaListing(const std::string& folder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
    if (!listing) return errno == ENOENT ? std::optional<std::string>("no media folder\n") : std::nullopt;
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    if (errno != 0) return std::nullopt;
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names) {
        text += name;
        text += '\0';
        text += StampText(StampOfFile(folder + "/" + name));
        text += '\n';
    }
    return text;
}

std::optional<Digest> StampsOf(const std::string& backupFile, const std::optional<std::string>& media) {
    const std::optional<FileStamp> backup = StampOfFile(backupFile);
    if (!backup || !media) return std::nullopt;
    return DigestOf(StampText(backup) + "\n" + *media);
}

}  // namespace

SourcesSeen SeeSources(const SiteSources& sources) {
    SourcesSeen seen;
    const std::optional<std::string> media = MediaListing(sources.mediaFolder);
    seen.stamps = StampsOf(sources.backupFile, media);
    const std::string program = ProgramIdentity();
    const std::string backup = FileDigest(sources.backupFile);
    if (!seen.stamps || program.empty() || backup.empty()) return seen;
    // Each text on a line of its own, its length first: no two sets of sources read alike.
    std::string text;
    for (const std::string& part :
         {program, std::filesystem::path(sources.backupFile).filename().string(), sources.mediaFolder,
          sources.mediaFolderHref, std::string(sources.remoteMedia ? "remote media" : "kept media only"),
          backup, *media})
        text += std::to_string(part.size()) + ":" + part + "\n";
    seen.digest = DigestOf(text);
    return seen;
}

std::optional<Digest> SourcesStamps(const SiteSources& sources) {
    return StampsOf(sources.backupFile, MediaListing(sources.mediaFolder));
}

}  // namespace qv::site
