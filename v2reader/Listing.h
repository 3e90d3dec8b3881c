// SPDX-License-Identifier: GPL-3.0-or-later
// Where the next page of one of the blog's listings is (its posts, drafts,
// queue or likes), and how that moves on from the page that came. Offsets
// drift when posts are published or deleted during a run, and a pinned post
// takes a place on the first page out of its turn; the listing follows what
// the service says is next, goes back when the blog's total says posts went,
// and leaves the doubles that drift brings to the ids above.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "apiv2/PostsPage.h"
#include "oauth/PercentEncoding.h"

namespace qv::v2reader {

// Posts the service gives per request at most.
inline constexpr int kPostsPerPage = 20;

class Listing {
public:
    explicit Listing(apiv2::Listing kind) : kind_(kind) {}

    apiv2::Listing Kind() const { return kind_; }
    // After /v2/blog/{host}/: "posts", "posts/draft", "posts/queue", "likes".
    std::string Method() const;
    // The query of the next page's request.
    oauth::Parameters NextQuery() const;
    // Moves past `page`, the answer to NextQuery.
    void Advance(const apiv2::Page& page);
    bool Ended() const { return ended_; }
    // Begins at this offset instead of the first post, where the listing
    // can be asked by offset (not drafts): a run that continues an
    // interrupted one goes on near where that one stopped. `total` is the
    // blog's total then: posts deleted since move the offset back.
    void BeginAt(std::int64_t offset, std::optional<std::int64_t> total);

private:
    apiv2::Listing kind_;
    std::int64_t offset_ = 0;
    std::optional<std::int64_t> before_;
    std::optional<std::string> beforeId_;
    std::optional<std::int64_t> lastTotal_;
    bool ended_ = false;
};

}  // namespace qv::v2reader
