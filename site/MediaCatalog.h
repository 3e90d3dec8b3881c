// SPDX-License-Identifier: GPL-3.0-or-later
// The media kept beside a backup, as its folder's records list them
// (media::ReadFolderRecords: manifest.tsv and its journal). Only addresses
// whose status is "kept" count, and only when their file is a plain name in
// the folder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "Status.h"

namespace qv::site {

class MediaCatalog {
public:
    // Reads the records of `folder`. A folder without them is an empty
    // catalog, not a failure; records that cannot be read, or a manifest
    // that does not name its columns, are (FileSystem).
    Status Load(const std::string& folder);

    // The kept file's name for `url`, or nullptr.
    const std::string* KeptFile(std::string_view url) const;
    std::size_t Count() const { return kept_.size(); }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> kept_;
};

}  // namespace qv::site
