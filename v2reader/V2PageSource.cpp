// SPDX-License-Identifier: GPL-3.0-or-later
#include "v2reader/V2PageSource.h"

#include <algorithm>

#include "RunDecisions.h"
#include "Sundrykit.h"
#include "Xml.h"
#include "apiv2/BlogInfo.h"
#include "apiv2/XmlText.h"
#include "apiv2/ZoneOffsets.h"

namespace qv::v2reader {

namespace {

bool IsOwnListing(apiv2::Listing listing) {
    return listing == apiv2::Listing::Drafts || listing == apiv2::Listing::Queue;
}

}  // namespace

V2PageSource::V2PageSource(const BackupOptions& options, RequestServices& services,
                           std::function<ServiceClient::Clock::time_point()> now)
    : options_(options),
      services_(services),
      client_(options.v2, options.GroupAddress, services, std::move(now)) {}

void V2PageSource::Extends(const XmlDocument& backup) {
    if (const std::string zone = backup.NodeText("/tumblr/tumblelog/@timezone"); !zone.empty())
        knownZone_ = zone;
    if (options_.XMLBaseFileName.empty()) {
        // The pages of an interrupted run: how many posts the blog had then.
        const std::string total = backup.NodeText("/tumblr/posts/@total");
        if (!total.empty() && total.find_first_not_of("0123456789") == std::string::npos && total.size() < 18)
            keptTotal_ = std::stoll(total);
        return;
    }
    // An earlier backup: the drafts and queued posts it holds already would
    // look to the run like the place where it caught up with the blog.
    for (const XmlNode& post : backup.DocumentNode().SelectNodes("/tumblr/posts/post[@state]"))
        heldDraftsAndQueue_.insert(post.AttributeText("id"));
}

template <typename T, typename Read>
Result<T> V2PageSource::Ask(const std::string& method, const oauth::Parameters& query, Read read,
                            int32_t start) {
    for (;;) {
        Result<std::string> body = client_.Get(method, query);
        Status failure = body.status();
        if (body) {
            Result<T> answer = read(*body);
            if (answer) return answer;
            failure = answer.status();
        }
        if (failure.Is(StatusKind::Cancelled)) return StoppedStatus();
        const Answer decided = services_.decisions.PageFailed(failure, start);
        if (decided != Answer::Retry) return GivenUp(decided, kPageFailedHeadline, failure);
    }
}

Status V2PageSource::Begin(int32_t start) {
    Result<apiv2::Blog> blog = Ask<apiv2::Blog>(
        "info", {}, [](const std::string& body) { return apiv2::ReadBlogInfo(body); }, start);
    if (!blog) return blog.status();
    blog_ = std::move(*blog);
    // The service names the zone to the blog's own reader only; an earlier
    // backup of the blog may name it too.
    if (!blog_->timezone) blog_->timezone = knownZone_;
    if (blog_->timezone) {
        if (Result<apiv2::UtcOffset> zone = apiv2::SystemZoneOffsets(*blog_->timezone)) {
            utcOffset_ = std::move(*zone);
        } else {
            const std::string text = "The blog's time zone, " + skPrintable(*blog_->timezone) +
                                     ", is not known here: the posts' dates are written in GMT.";
            skLogWarning(text);
            services_.host.Warn(text);
            blog_->timezone.reset();
        }
    }

    const V2Access& access = options_.v2;
    if (access.likes) {
        listings_.emplace_back(apiv2::Listing::Likes);
    } else {
        // Drafts and queued posts first: an incremental run ends at the first
        // page of posts it holds, and these come after none of them.
        if (access.drafts) listings_.emplace_back(apiv2::Listing::Drafts);
        if (access.queue) listings_.emplace_back(apiv2::Listing::Queue);
        listings_.emplace_back(apiv2::Listing::Published);
        total_ = blog_->posts;
    }
    begun_ = true;
    begunAt_ = start;
    first_ = start;
    return Status::Ok();
}

void V2PageSource::Take(const apiv2::Page& page, apiv2::Listing listing) {
    for (const apiv2::DroppedPost& dropped : page.dropped) {
        const std::string text =
            "A post the service sent" +
            (dropped.id.empty() ? std::string() : " (id " + skPrintable(dropped.id) + ")") +
            " could not be read and is not in the backup: " + dropped.why.text();
        skLogWarning(text);
        services_.host.Warn(text);
    }
    for (std::size_t i = 0; i < page.ids.size(); ++i) {
        if (IsOwnListing(listing) && heldDraftsAndQueue_.count(page.ids[i]) != 0) continue;
        // A pinned post comes again in its turn, and drift repeats posts at a page's edge.
        if (!given_.insert(page.ids[i]).second) continue;
        posts_.push_back(page.posts[i]);
    }
    if (page.total && !IsOwnListing(listing)) total_ = page.total;
}

Status V2PageSource::Fill(int32_t until, int32_t start) {
    while (first_ + static_cast<int32_t>(posts_.size()) < until && current_ < listings_.size()) {
        Listing& listing = listings_[current_];
        if (listing.Ended()) {
            ++current_;
            continue;
        }
        const bool mainListing = current_ + 1 == listings_.size();
        if (mainListing && !mainBegun_ && begunAt_ > 0) {
            // The run goes on after an interrupted one, whose last page is
            // asked for again: the posts or likes from a page before it,
            // past what this run has given already (its drafts and queue).
            const int32_t givenBefore = first_ + static_cast<int32_t>(posts_.size()) - begunAt_;
            listing.BeginAt(begunAt_ - kPostsPerPage - givenBefore, keptTotal_);
        }
        if (mainListing) mainBegun_ = true;
        apiv2::PageContext context;
        context.listing = listing.Kind();
        context.blog = blog_;
        context.utcOffset = utcOffset_;
        context.start = first_ + static_cast<int32_t>(posts_.size());
        Result<apiv2::Page> page = Ask<apiv2::Page>(
            listing.Method(), listing.NextQuery(),
            [&context](const std::string& body) { return apiv2::ReadPostsPage(body, context); }, start);
        if (!page) return page.status();
        Take(*page, listing.Kind());
        listing.Advance(*page);
    }
    return Status::Ok();
}

std::string V2PageSource::PageText(int32_t from, int32_t count) const {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tumblr version=\"1.0\">";
    xml += apiv2::TumblelogXml(*blog_);
    xml += "<posts";
    apiv2::AppendAttribute(xml, "start", std::to_string(from));
    if (total_) apiv2::AppendAttribute(xml, "total", std::to_string(*total_));
    xml += '>';
    for (int32_t i = from; i < from + count; ++i) xml += posts_[static_cast<std::size_t>(i - first_)];
    return xml + "</posts></tumblr>\n";
}

Result<std::string> V2PageSource::Fetch(int32_t start, int32_t num) {
    if (!begun_) {
        if (Status begun = Begin(start); !begun.ok()) return begun;
    }
    // The run has moved on past these: it asks again for its current page at most.
    while (first_ < start && !posts_.empty()) {
        posts_.pop_front();
        ++first_;
    }
    if (posts_.empty()) first_ = std::max(first_, start);
    const int32_t from = std::max(start, first_);
    if (Status filled = Fill(from + num, start); !filled.ok()) return filled;
    const int32_t count = std::clamp(first_ + static_cast<int32_t>(posts_.size()) - from, 0, num);
    return PageText(from, count);
}

std::unique_ptr<IPageSource> MakeV2Source(const BackupOptions& options, RequestServices& services) {
    return std::make_unique<V2PageSource>(options, services);
}

}  // namespace qv::v2reader
