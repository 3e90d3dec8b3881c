// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderRecords.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "ManifestJournal.h"

namespace qv::media {

namespace {

// The file's content; nullopt when there is no such file (or folder).
Result<std::optional<std::string>> ReadIfThere(const std::string& path, FileOps& files) {
    std::string text;
    if (files.ReadFile(path, text) == 0) return std::optional<std::string>(std::move(text));
    if (errno == ENOENT || errno == ENOTDIR) return std::optional<std::string>();
    return Status(StatusKind::FileSystem, "can't read " + path + ": " + std::strerror(errno));
}

Status CheckColumns(std::string_view manifest) {
    if (manifest.empty()) return Status(StatusKind::FileSystem, "the file is empty");
    std::string_view first = manifest.substr(0, manifest.find('\n'));
    if (first.ends_with('\r')) first.remove_suffix(1);
    if (first != kManifestHeader)
        return Status(StatusKind::FileSystem,
                      "the first line does not name the columns url, file, bytes, sha256, status and post_id");
    return Status::Ok();
}

}  // namespace

Result<FolderRecords> ReadFolderRecords(const std::string& folder, FileOps& files) {
    FolderRecords records;
    const std::string manifestPath = folder + "/" + kManifestFileName;
    const Result<std::optional<std::string>> manifest = ReadIfThere(manifestPath, files);
    if (!manifest) return manifest.status();
    if (*manifest) {
        if (Status columns = CheckColumns(**manifest); !columns.ok()) return columns.Within(manifestPath + ": ");
        records.found = true;
        records.entries = ParseManifest(**manifest).entries;
    }
    const Result<std::optional<std::string>> journal = ReadIfThere(folder + "/" + kJournalFileName, files);
    if (!journal) return journal.status();
    if (*journal) {
        records.found = true;
        ApplyJournal(records.entries, ParseJournal(**journal).entries);
    }
    return records;
}

}  // namespace qv::media
