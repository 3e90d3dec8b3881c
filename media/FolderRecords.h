// SPDX-License-Identifier: GPL-3.0-or-later
// What a media folder records of the addresses it keeps: manifest.tsv, then
// the lines of its journal over it, which a run that was killed leaves behind.
// The media run, the offline view and the Library read a folder through here.
#pragma once

#include <string>
#include <vector>

#include "FileOps.h"
#include "Manifest.h"
#include "Status.h"

namespace qv::media {

struct FolderRecords {
    // A manifest or a journal is there: media were kept in the folder at least once.
    bool found = false;
    // The manifest's lines, each replaced by a later line of its address from the journal.
    std::vector<ManifestEntry> entries;
};

// No folder, or a folder without records, is found = false. FileSystem when
// either file is there but can't be read, or when the manifest does not begin
// with the names of its columns: what it lists is then not known.
Result<FolderRecords> ReadFolderRecords(const std::string& folder, FileOps& files = SystemFileOps());

}  // namespace qv::media
