// SPDX-License-Identifier: GPL-3.0-or-later
#include "v2reader/Listing.h"

#include <algorithm>
#include <charconv>

namespace qv::v2reader {

namespace {

std::optional<std::int64_t> OffsetIn(const apiv2::Page& page) {
    for (const auto& [name, value] : page.nextQuery) {
        if (name != "offset") continue;
        std::int64_t offset = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), offset);
        if (error == std::errc() && end == value.data() + value.size() && offset >= 0) return offset;
    }
    return std::nullopt;
}

}  // namespace

std::string Listing::Method() const {
    switch (kind_) {
        case apiv2::Listing::Published:
            return "posts";
        case apiv2::Listing::Drafts:
            return "posts/draft";
        case apiv2::Listing::Queue:
            return "posts/queue";
        case apiv2::Listing::Likes:
            return "likes";
    }
    return "posts";
}

oauth::Parameters Listing::NextQuery() const {
    const std::string limit = std::to_string(kPostsPerPage);
    switch (kind_) {
        case apiv2::Listing::Drafts:
            if (beforeId_) return {{"before_id", *beforeId_}};
            return {};
        case apiv2::Listing::Likes:
            // The likes are asked by time: each page those liked before the last one's oldest.
            if (before_) return {{"before", std::to_string(*before_)}, {"limit", limit}};
            if (offset_ > 0) return {{"offset", std::to_string(offset_)}, {"limit", limit}};
            return {{"limit", limit}};
        case apiv2::Listing::Published:
        case apiv2::Listing::Queue:
            break;
    }
    return {{"offset", std::to_string(offset_)}, {"limit", limit}};
}

void Listing::BeginAt(std::int64_t offset, std::optional<std::int64_t> total) {
    if (kind_ == apiv2::Listing::Drafts) return;
    offset_ = std::max<std::int64_t>(0, offset);
    if (kind_ == apiv2::Listing::Published) lastTotal_ = total;
}

void Listing::Advance(const apiv2::Page& page) {
    const auto received = static_cast<std::int64_t>(page.received);
    switch (kind_) {
        case apiv2::Listing::Drafts:
            // Asked by id: a page without one is the end, whatever its size.
            ended_ = received == 0 || !page.lastId;
            beforeId_ = page.lastId;
            return;
        case apiv2::Listing::Likes:
            ended_ = received < kPostsPerPage || !page.oldestLikedTimestamp;
            before_ = page.oldestLikedTimestamp;
            return;
        case apiv2::Listing::Queue:
            ended_ = received < kPostsPerPage;
            offset_ += received;
            return;
        case apiv2::Listing::Published:
            break;
    }
    // Posts deleted since the last page moved the later ones up, past this
    // page's offset: ask again from as far back as the blog shrank.
    const std::optional<std::int64_t> shrunk = page.total && lastTotal_ && *page.total < *lastTotal_
                                                   ? std::optional(*lastTotal_ - *page.total)
                                                   : std::nullopt;
    if (page.total) lastTotal_ = page.total;
    if (shrunk) {
        offset_ = std::max<std::int64_t>(0, offset_ - *shrunk);
        return;
    }
    ended_ = received < kPostsPerPage;
    // A pinned post took a place on the page out of its turn: the service
    // says where its turn goes on.
    offset_ = OffsetIn(page).value_or(offset_ + received - static_cast<std::int64_t>(page.pinned));
}

}  // namespace qv::v2reader
