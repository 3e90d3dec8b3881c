// SPDX-License-Identifier: GPL-3.0-or-later
// The outcomes recorded since manifest.tsv was last replaced, one manifest
// line each, appended to a hidden file beside it. Appending a line and syncing
// it costs the same however long the manifest has grown, so a run records
// each file the moment it is kept and replaces the manifest only now and then:
// the next run reads the manifest, then these lines over it. A log, not a
// replaced file: each append is synced where it lands, through FileOps, and
// only the empty file is made under a temporary name and renamed over what a
// crash left.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "FileOps.h"
#include "Manifest.h"
#include "Status.h"

namespace qv::media {

// Hidden, so that no media file can ever be given its name.
inline constexpr const char* kJournalFileName = ".manifest.tsv.log";

// The journal's lines, checked as the manifest's are. A last line without its
// line break is an append a power cut cut short, and does not count.
ParsedManifest ParseJournal(std::string_view text);

// `later` over `entries`: a later line replaces the line of its address where
// it stands, a line of a new address goes to the end.
void ApplyJournal(std::vector<ManifestEntry>& entries, std::vector<ManifestEntry> later);

class ManifestJournal {
public:
    ManifestJournal(std::string folder, FileOps& files);
    ~ManifestJournal();  // closes it; the file stays for the next run to read
    ManifestJournal(const ManifestJournal&) = delete;
    ManifestJournal& operator=(const ManifestJournal&) = delete;

    // Appends whole lines with one write and syncs them. The first append
    // after Discard makes the file anew. After a failed append (a full disk)
    // it takes no more lines: they would follow a line cut short.
    // Failures are FileSystem.
    Status Append(std::string_view lines);
    // Removes the file, once manifest.tsv holds everything it said.
    Status Discard();
    // Bytes appended since the file was made.
    std::size_t Bytes() const { return bytes_; }

private:
    Status Create();
    void Close();

    std::string folder_;
    std::string path_;
    FileOps& files_;
    int fd_ = -1;
    std::size_t bytes_ = 0;
    bool failed_ = false;
};

}  // namespace qv::media
