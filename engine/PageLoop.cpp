// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageLoop.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "Sundrykit.h"

namespace qv {

namespace {

// The service has been seen sending the same page again and again past some
// offset; a full run would then never end. This many pages in a row with posts
// but nothing new end the paging. More than one, so that a burst of new posts
// shifting the pages cannot cut a healthy run short.
constexpr int kStalePagesToStop = 3;

// A name from the answer, short and harmless enough to show.
std::string Shown(const std::string& name) {
    constexpr size_t kLongest = 40;
    return skPrintable(name.size() > kLongest ? name.substr(0, kLongest) + "..." : name);
}

bool SameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

std::optional<int64_t> TotalOf(const XmlDocument& page) {
    const std::string text = page.NodeText("/tumblr/posts/@total");
    int64_t total = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), total);
    if (error != std::errc() || end != text.data() + text.size() || total < 0) return std::nullopt;
    return total;
}

}  // namespace

PageLoop::PageLoop(XmlDocument previous, PostIdSet previousIds, int32_t pageSize)
    : pageSize_(pageSize),
      backup_(std::move(previous)),
      previousIds_(std::move(previousIds)),
      fullRun_(false),
      previousCount_(previousIds_.Count()) {}

Status PageLoop::Check(const XmlDocument& page) const {
    const auto refused = [](std::string reason) { return Status(StatusKind::NotBlogXml, std::move(reason)); };
    const XmlNode root = page.RootElement();
    if (root.Name() != "tumblr")
        return refused("The answer is not the blog's XML: its root element is <" + Shown(root.Name()) + ">.");
    if (XmlNode version = root.SelectSingleNode("@version"); !version)
        return refused("The answer's root element <tumblr> has no version.");
    else if (version.Text() != "1.0")
        return refused("The answer's root element <tumblr> has the version \"" + Shown(version.Text()) +
                       "\", not \"1.0\".");
    const bool emptyBlogAllowed = fullRun_ && !anyPageMerged_;
    if (!emptyBlogAllowed && !root.SelectSingleNode("posts")) return refused("The answer holds no <posts> element.");
    return Status::Ok();
}

std::string PageLoop::BackupBlogName() const {
    return backup_ ? backup_->NodeText("/tumblr/tumblelog/@name") : std::string();
}

std::optional<std::string> PageLoop::OtherBlogIn(const XmlDocument& page) const {
    if (fullRun_ || tumblelogTaken_) return std::nullopt;
    const std::string ours = BackupBlogName();
    const std::string theirs = page.NodeText("/tumblr/tumblelog/@name");
    if (ours.empty() || theirs.empty() || SameName(ours, theirs)) return std::nullopt;
    return theirs;
}

bool PageLoop::BringsNothingNew(const XmlDocument& page) {
    const XmlNodeList posts = page.DocumentNode().SelectNodes("/tumblr/posts/post");
    bool anyNew = false;
    for (const XmlNode& post : posts) {
        const std::string id = post.AttributeText("id");
        if (!previousIds_.Contains(id) && seenThisRun_.Add(id)) anyNew = true;
    }
    return posts.Count() > 0 && !anyNew;
}

bool PageLoop::Merge(XmlDocument page, int missingPosts) {
    if (!anyPageMerged_) announcedTotal_ = TotalOf(page);
    anyPageMerged_ = true;
    ++pagesMerged_;
    const int received = CountPosts(page);
    // Posts that never came readably still took their places on the page.
    const bool lastPage = received + missingPosts < pageSize_;
    stalePages_ = BringsNothingNew(page) ? stalePages_ + 1 : 0;

    bool caughtUp = false;
    if (!backup_) {
        backup_ = std::move(page);
        previousIds_ = PostIdSet();
        tumblelogTaken_ = true;
        postsMerged_ += received;
    } else {
        if (!tumblelogTaken_) {
            CopyTumblelog(page, *backup_);
            tumblelogTaken_ = true;
        }
        caughtUp = KnownPostsEndPage(page, previousIds_);
        MergePosts(page, *backup_, previousIds_, &postsMerged_);
    }

    if (caughtUp || lastPage) return false;
    if (stalePages_ >= kStalePagesToStop) {
        skLogWarning("The service sent " + std::to_string(kStalePagesToStop) +
                     " pages in a row without a new post; paging ended at start " + std::to_string(start_) +
                     ".");
        endedByRepeatedPages_ = true;
        return false;
    }
    start_ += pageSize_;
    return true;
}

}  // namespace qv
