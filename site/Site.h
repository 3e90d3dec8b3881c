// SPDX-License-Identifier: GPL-3.0-or-later
// The offline view of a backup: a folder of pages (index.html first) that
// shows the blog from the backup file alone, with the media folder's kept
// copies when there are some. Nothing in it loads from the network unless the
// reader allows the original media addresses.
#pragma once

#include <cstddef>
#include <string>

#include "FileOps.h"
#include "Status.h"

namespace qv::site {

class SiteProgress {
public:
    virtual ~SiteProgress() = default;
    // Called as posts are written, from the thread that called WriteSite.
    virtual void PostsWritten(std::size_t done, std::size_t total) = 0;
};

struct SiteOptions {
    std::string backupFile;
    std::string siteFolder;    // "" means BACKUP.html beside the backup
    std::string mediaFolder;   // "" means BACKUP.media beside the backup
    bool remoteMedia = false;  // media that are not kept load from their original address
    unsigned threads = 0;      // posts rendered at once; 0 means one per processor
    FileOps* files = nullptr;  // nullptr means the system's
    SiteProgress* progress = nullptr;
};

struct SiteResult {
    // Why the site could not be written: UnreadableXml or NotBlogXml for the
    // backup, FileSystem for the media folder's manifest or the site's folder.
    // The page counts say how far a failed run got.
    Status status;
    std::string indexFile;  // the site's index.html, once written
    std::size_t posts = 0;
    std::size_t pagesWritten = 0;  // new or changed
    std::size_t pagesUnchanged = 0;
    std::size_t pagesRemoved = 0;
};

// Writes the site. Run again after the backup grew, it rewrites only pages
// whose content changed and removes pages that no longer belong, leaving
// the folder as a fresh run would. Run again with nothing changed, it
// confirms the pages from the index it keeps beside them (PageIndex) instead
// of making them.
SiteResult WriteSite(const SiteOptions& options);

}  // namespace qv::site
