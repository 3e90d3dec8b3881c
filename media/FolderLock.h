// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps two runs from keeping media in one folder at once: each would take
// the other's unfinished pieces for leftovers of a killed run and remove
// them, and each would replace manifest.tsv with its own lines only. The
// lock is the kernel's, on the folder itself: it leaves no file behind and
// is gone with the process, however that ends.
#pragma once

#include <string>

#include "Status.h"

namespace qv::media {

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Busy when another process holds the folder, FileSystem when it can't be opened.
    Status Take(const std::string& folder);

private:
    int fd_ = -1;
};

}  // namespace qv::media
