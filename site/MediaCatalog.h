// SPDX-License-Identifier: GPL-3.0-or-later
// The media kept beside a backup, as its folder's manifest.tsv lists them:
// a header line naming the columns (url, file, bytes, sha256, status,
// post_id), then one tab-separated line per address. Only addresses whose
// status is "kept" count, and only when their file is a plain name in the
// folder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "Status.h"

namespace qv::site {

class MediaCatalog {
public:
    // Reads `folder`/manifest.tsv, and the lines a media run recorded since it
    // last replaced it. A folder without a manifest is an empty catalog, not a
    // failure; a manifest or journal that cannot be read, or a manifest that
    // lacks a needed column, is (FileSystem).
    Status Load(const std::string& folder);
    // Reads the manifest's text.
    Status Parse(std::string_view manifest);

    // The kept file's name for `url`, or nullptr.
    const std::string* KeptFile(std::string_view url) const;
    std::size_t Count() const { return kept_.size(); }

private:
    Status ApplyJournal(const std::string& folder);

    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> kept_;
};

}  // namespace qv::site
