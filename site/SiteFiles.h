// SPDX-License-Identifier: GPL-3.0-or-later
// The site's folder. A page is written only when its bytes differ from what
// the folder holds, so a run that changed nothing touches nothing; the last
// run's index (PageIndex) tells that without reading the page when the
// page's file still has the stamp the index gave it, and any page it can't
// vouch for is compared with its file. A page that replaces a file goes
// through a temporary file renamed into place, so a reader never sees half
// of it; one whose name is free is written under its name, and a failed
// write removes it. Pages of ours that a run did not write are removed at
// its end, which makes a second run leave the folder as a fresh run would.
// Write may be called from several threads at once; the pages go to their
// files on a thread of their own (PageQueue).
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "FileOps.h"
#include "PageIndex.h"
#include "PageQueue.h"
#include "Status.h"

namespace qv::site {

class SiteFiles {
public:
    // `previous`: the index the last run left, empty when there is none.
    SiteFiles(std::string folder, FileOps& files, PageIndex previous = {});

    // Makes the folder, or checks that an existing one is empty or a site of
    // ours: files of the user's are never overwritten or removed.
    Status Open();
    // Hands the page over to be written; false once any page failed:
    // Failure() says why.
    bool Write(const std::string& page, std::string content);
    // Waits until every page handed over is written; false when any failed.
    bool Flush();
    // Takes every page of the last run's index as this run's, and its count
    // of posts, when the index was made from `sources`; false, taking none,
    // when not. For an index whose pages are in place (PagesInPlace). Needs
    // no Open: the folder's marker is one of the pages.
    bool KeepIndexedPages(const std::optional<Digest>& sources, std::size_t& posts);
    // Removes our files that this run did not write, and folders left empty,
    // once the pages handed over are written.
    Status RemoveOthers();
    // RemoveOthers, then the index of what this run wrote, made from
    // `sources` (nullopt when they could not be told). The last call.
    Status Finish(const std::optional<Digest>& sources, std::size_t posts);

    const std::string& Folder() const { return folder_; }
    // The first failure (FileSystem); Ok while there is none.
    Status Failure() const;
    std::size_t Written() const { return written_; }
    std::size_t Unchanged() const { return unchanged_; }
    std::size_t Removed() const { return removed_; }

private:
    void WriteNow(const QueuedPage& page);
    // Whether `path` holds `content`; its stamp in `file` when it does.
    static bool Holds(const std::string& path, std::string_view content, std::optional<FileStamp>& file);
    // Writes a page whose name is free; false with `taken` when it is not.
    bool WriteNew(const std::string& path, std::string_view content, PageRecord& record, bool& taken);
    bool Replace(const std::string& path, std::string_view content, PageRecord& record);
    // Makes the page's folder; `fresh` tells that the folder is new, so the
    // page cannot be there yet.
    bool MakeFolderFor(const std::string& page, bool& fresh);
    // The last run's record of `page`, taken out of its index.
    std::optional<PageRecord> TakePrevious(const std::string& page);
    void Keep(const std::string& page, const PageRecord& record);
    // Keeps `text` as the failure unless there was one already; answers the first.
    Status Fail(const std::string& text);
    bool Failed() const;

    std::string folder_;
    FileOps& files_;
    mutable std::mutex mutex_;  // guards the indexes, the sets and the failure
    PageIndex previous_;
    PageIndex::Pages pages_;  // written (or found unchanged) by this run
    std::unordered_set<std::string> folders_;
    std::unordered_set<std::string> freshFolders_;
    Status failure_;
    std::atomic<std::size_t> written_ = 0;
    std::atomic<std::size_t> unchanged_ = 0;
    std::size_t removed_ = 0;
    PageQueue queue_;  // last: its thread uses all the above
};

}  // namespace qv::site
