// SPDX-License-Identifier: GPL-3.0-or-later
// What the last run wrote, kept beside the pages: the digest of the sources
// it made them from, and for every page the digest of its bytes and the stamp
// its file got. A page whose file still has that stamp still holds those
// bytes, so a run knows it without reading it. The file is written durably
// once the pages are, and read with suspicion: one that is missing, cut
// short, damaged or of another version vouches for nothing, and no page is
// trusted without its stamp. The pages themselves are not synced first: a
// page whose bytes had not reached the disk when the system went down comes
// back shorter than its stamp says, as journaling file systems record a
// file's size with its data.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "FileOps.h"
#include "Fingerprints.h"
#include "Status.h"

namespace qv::site {

inline constexpr const char* kPageIndexName = ".quillvault-site-index";

struct PageRecord {
    Digest content{};
    std::optional<FileStamp> file;  // a page without one is not vouched for

    bool operator==(const PageRecord&) const = default;
};

class PageIndex {
public:
    using Pages = std::unordered_map<std::string, PageRecord>;

    // The index in `siteFolder`; an empty one when there is none to trust.
    static PageIndex Load(const std::string& siteFolder);
    // Whether every page listed is in `siteFolder` with the stamp listed.
    bool PagesInPlace(const std::string& siteFolder) const;
    // Replaces the index in `siteFolder`, synced, through a temporary file.
    [[nodiscard]] Status Save(const std::string& siteFolder, FileOps& files) const;

    // The index as its file holds it, and back; nullopt for any text that is
    // not wholly an index of this version.
    std::string Text() const;
    static std::optional<PageIndex> Parse(std::string_view text);

    std::optional<Digest> sources;  // nullopt when the run that wrote it could not tell them
    std::size_t posts = 0;
    Pages pages;
};

}  // namespace qv::site
