// SPDX-License-Identifier: GPL-3.0-or-later
// The site's folder. A page is written only when its bytes differ from what
// the folder holds, through a temporary file renamed into place, so a reader
// never sees half a page and a run that changed nothing touches nothing.
// Pages of ours that a run did not write are removed at its end, which makes
// a second run leave the folder as a fresh run would. Write may be called
// from several threads at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>

#include "FileOps.h"
#include "Status.h"

namespace qv::site {

class SiteFiles {
public:
    SiteFiles(std::string folder, FileOps& files);

    // Makes the folder, or checks that an existing one is empty or a site of
    // ours: files of the user's are never overwritten or removed.
    Status Open();
    // False once any page failed: Failure() says why.
    bool Write(const std::string& page, std::string_view content);
    // Removes our files that this run did not write, and folders left empty.
    Status RemoveOthers();

    const std::string& Folder() const { return folder_; }
    // The first failure (FileSystem); Ok while there is none.
    Status Failure() const;
    std::size_t Written() const { return written_; }
    std::size_t Unchanged() const { return unchanged_; }
    std::size_t Removed() const { return removed_; }

private:
    bool Holds(const std::string& path, std::string_view content) const;
    // Makes the page's folder; `fresh` tells that the folder is new, so the
    // page cannot be there yet.
    bool MakeFolderFor(const std::string& page, bool& fresh);
    // Keeps `text` as the failure unless there was one already; answers the first.
    Status Fail(const std::string& text);
    bool Failed() const;

    std::string folder_;
    FileOps& files_;
    mutable std::mutex mutex_;  // guards the sets and the failure
    // A commit learns the mode of a new file by setting the process's umask
    // and back, which two threads must not do at the same time.
    std::mutex commitMutex_;
    std::unordered_set<std::string> pages_;
    std::unordered_set<std::string> folders_;
    std::unordered_set<std::string> freshFolders_;
    Status failure_;
    std::atomic<std::size_t> written_ = 0;
    std::atomic<std::size_t> unchanged_ = 0;
    std::size_t removed_ = 0;
};

}  // namespace qv::site
