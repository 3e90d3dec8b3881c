// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaCatalog.h"

#include "FolderRecords.h"

namespace qv::site {

Status MediaCatalog::Load(const std::string& folder) {
    kept_.clear();
    const Result<media::FolderRecords> records = media::ReadFolderRecords(folder);
    if (!records) return records.status();
    // A kept file's name was checked to be a plain name in the folder as its line was read.
    for (const media::ManifestEntry& entry : records->entries)
        if (entry.status == media::MediaStatus::Kept) kept_.insert_or_assign(entry.url, entry.file);
    return Status::Ok();
}

const std::string* MediaCatalog::KeptFile(std::string_view url) const {
    const auto found = kept_.find(url);
    return found == kept_.end() ? nullptr : &found->second;
}

}  // namespace qv::site
