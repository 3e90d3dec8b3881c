// SPDX-License-Identifier: GPL-3.0-or-later
// The state of a run's page loop: the backup being built, where the next page
// starts, and why paging ended. Every received page, whether it came from the
// network, ahead of time or from a journal, goes through the same two steps:
// Check, then Merge.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "modTumblrInteraction.h"

namespace qv {

class PageLoop {
public:
    // A full run: no previous backup. Pages of `pageSize` posts; one with
    // fewer is the last.
    explicit PageLoop(int32_t pageSize = PostsPerPage) : pageSize_(pageSize) {}
    // An incremental run over a loaded previous backup and its ids.
    PageLoop(XmlDocument previous, PostIdSet previousIds, int32_t pageSize = PostsPerPage);

    int32_t NextStart() const { return start_; }
    bool IsFullRun() const { return fullRun_; }
    int32_t PreviousCount() const { return previousCount_; }
    int32_t PageSize() const { return pageSize_; }

    // Whether `page` is the blog's XML and may be merged; else NotBlogXml,
    // saying what was received instead. Only the first page of a full run
    // may lack `posts`: a blog without posts.
    Status Check(const XmlDocument& page) const;

    // The blog a checked page comes from, when this run extends the backup of
    // another blog: the names of <tumblelog> differ. None when they agree or
    // either has none.
    std::optional<std::string> OtherBlogIn(const XmlDocument& page) const;
    // The blog the backup holds, by <tumblelog>'s name.
    std::string BackupBlogName() const;

    // Merges a checked page; answers whether paging goes on (NextStart then
    // names the next page). `missingPosts` were asked for with the page but
    // never came in a readable answer: they count toward the page being full.
    bool Merge(XmlDocument page, int missingPosts = 0);

    // Goes back to the merged page at `start`, to ask for it again. Posts
    // published since the pages were merged shift the pages that follow onto
    // posts already merged; those pages are no sign of a service repeating
    // itself, so what was merged before counts as seen no longer.
    void AskAgainFrom(int32_t start) {
        start_ = start;
        endedByRepeatedPages_ = false;
        stalePages_ = 0;
        seenThisRun_ = PostIdSet();
    }

    // Posts in the backup so far: the previous backup's and every one merged
    // since (a post that moved between two pages counts twice until the sort).
    int32_t PostsSoFar() const { return previousCount_ + postsMerged_; }
    // Pages merged so far.
    int32_t PagesMerged() const { return pagesMerged_; }

    // Known once the first page is merged: the number of posts the service announced.
    std::optional<int64_t> AnnouncedTotal() const { return announcedTotal_; }
    // Paging ended because the service kept sending pages without a new post.
    bool EndedByRepeatedPages() const { return endedByRepeatedPages_; }

    // The backup document; present once a page was merged or in an incremental run.
    XmlDocument& Backup() { return *backup_; }
    bool HasBackup() const { return backup_.has_value(); }

private:
    bool BringsNothingNew(const XmlDocument& page);

    int32_t pageSize_;
    std::optional<XmlDocument> backup_;
    PostIdSet previousIds_;
    PostIdSet seenThisRun_;
    bool fullRun_ = true;
    int32_t previousCount_ = 0;
    int32_t start_ = 0;
    bool tumblelogTaken_ = false;
    int stalePages_ = 0;
    int32_t postsMerged_ = 0;
    int32_t pagesMerged_ = 0;
    bool anyPageMerged_ = false;
    std::optional<int64_t> announcedTotal_;
    bool endedByRepeatedPages_ = false;
};

}  // namespace qv
