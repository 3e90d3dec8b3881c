// SPDX-License-Identifier: GPL-3.0-or-later
#include "ManifestJournal.h"

#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "FileNames.h"

namespace qv::media {

ParsedManifest ParseJournal(std::string_view text) {
    const auto end = text.rfind('\n');
    return ParseManifest(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

void ApplyJournal(std::vector<ManifestEntry>& entries, std::vector<ManifestEntry> later) {
    // The first line of an address is the one a run goes by.
    std::unordered_map<std::string, std::size_t> at;
    for (std::size_t i = 0; i < entries.size(); ++i) at.emplace(entries[i].url, i);
    for (ManifestEntry& entry : later) {
        const auto [found, added] = at.emplace(entry.url, entries.size());
        if (added) {
            entries.push_back(std::move(entry));
        } else {
            entries[found->second] = std::move(entry);
        }
    }
}

ManifestJournal::ManifestJournal(std::string folder, FileOps& files)
    : folder_(std::move(folder)), path_(folder_ + "/" + kJournalFileName), files_(files) {}

ManifestJournal::~ManifestJournal() { Close(); }

void ManifestJournal::Close() {
    if (fd_ >= 0) files_.Close(fd_);
    fd_ = -1;
}

namespace {

// The failing call's words, and the system's reason from errno.
Status FileFailure(const std::string& words) {
    return Status(StatusKind::FileSystem, words + ": " + std::strerror(errno));
}

}  // namespace

Status ManifestJournal::Create() {
    // Made under a temporary name, which a killed run's successor removes,
    // and renamed over whatever a crash left under the journal's name.
    std::string temp = folder_ + "/" + kTempPrefix + "XXXXXX";
    const int fd = files_.CreateTemp(temp);
    if (fd < 0) return FileFailure("can't create a file in " + folder_);
    if (files_.Rename(temp, path_) != 0) {
        const Status failed = FileFailure("can't rename " + temp + " to " + path_);
        files_.Close(fd);
        files_.Unlink(temp);
        return failed;
    }
    // The name must outlive a power cut as the lines synced into the file do.
    // A folder that can't be synced is no reason to stop: nothing else can be done there.
    files_.SyncFolder(folder_);
    fd_ = fd;
    bytes_ = 0;
    return Status::Ok();
}

Status ManifestJournal::Append(std::string_view lines) {
    if (failed_) return Status(StatusKind::FileSystem, "can't write " + path_ + " any more");
    if (fd_ < 0) {
        if (Status created = Create(); !created.ok()) {
            failed_ = true;
            return created;
        }
    }
    if (!WriteFully(files_, fd_, lines.data(), lines.size())) {
        failed_ = true;
        return FileFailure("can't write " + path_);
    }
    if (files_.Sync(fd_) != 0) {
        failed_ = true;
        return FileFailure("can't write " + path_ + " to disk");
    }
    bytes_ += lines.size();
    return Status::Ok();
}

Status ManifestJournal::Discard() {
    Close();
    bytes_ = 0;
    failed_ = false;
    // A removal lost to a crash only leaves lines the manifest holds as well.
    if (files_.Unlink(path_) != 0 && errno != ENOENT) return FileFailure("can't remove " + path_);
    return Status::Ok();
}

}  // namespace qv::media
