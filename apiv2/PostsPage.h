// SPDX-License-Identifier: GPL-3.0-or-later
// A page of the service's v2 API (published posts, drafts, the queue, likes;
// the legacy post format, not NPF) as the read API's XML: a whole
// <tumblr><tumblelog/><posts>...</posts></tumblr> text that the engine merges
// as it merges a page of the read API, with what paging on needs to know.
// Pure functions: whatever the JSON holds, they return a page or a status
// and never throw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Status.h"
#include "apiv2/BlogInfo.h"

namespace qv::apiv2 {

enum class Listing {
    Published,  // /posts: each post's own state (private="true")
    Drafts,     // /posts/draft: state="draft"
    Queue,      // /posts/queue: state="queued"
    Likes,      // /likes: from-blog="NAME" names the blog each post is from
};

// Seconds east of UTC at a moment, for the `date` attribute in the blog's zone.
using UtcOffset = std::function<std::int64_t(std::int64_t unixTime)>;

struct PageContext {
    Listing listing = Listing::Published;
    // The `start` the page's <posts> says: the offset of its first post.
    std::int64_t start = 0;
    // The <tumblelog> when the answer carries no blog of its own (likes).
    std::optional<Blog> blog;
    // None: `date` is written in GMT.
    UtcOffset utcOffset;
};

// A post of the answer that no <post> could be made of.
struct DroppedPost {
    std::size_t index = 0;  // in the answer's list
    std::string id;         // "" when it had none
    Status why;
};

struct Page {
    std::string xml;
    std::size_t received = 0;       // entries in the answer's list of posts
    std::vector<std::string> ids;   // of the posts written, in the answer's order
    // Each <post> element of `xml` on its own, in the order of `ids`.
    std::vector<std::string> posts;
    // Posts written that the answer lists as pinned: shown first, out of
    // their turn, and counted toward the page's limit.
    std::size_t pinned = 0;
    std::vector<DroppedPost> dropped;
    // `total_posts` (`liked_count` for likes), when the answer says it.
    std::optional<std::int64_t> total;
    // The earliest `timestamp` of the posts written, a pinned post left out:
    // `before` for the next page of published posts.
    std::optional<std::int64_t> oldestTimestamp;
    // The last post's id: `before_id` for the next page of drafts.
    std::optional<std::string> lastId;
    // The earliest `liked_timestamp`: `before` for the next page of likes.
    std::optional<std::int64_t> oldestLikedTimestamp;
    // `_links.next.query_params`, as text, when the answer offers a next page.
    std::vector<std::pair<std::string, std::string>> nextQuery;
};

Result<Page> ReadPostsPage(std::string_view body, const PageContext& context);

// One post object of the API as a <post> element.
Result<std::string> PostXml(std::string_view postJson, const PageContext& context);

}  // namespace qv::apiv2
