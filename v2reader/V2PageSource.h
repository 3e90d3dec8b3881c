// SPDX-License-Identifier: GPL-3.0-or-later
// The pages of a run read through the service's v2 API: the blog's info
// first, then its listings 20 posts a request (the drafts and the queue
// first when asked for, then the posts; or the posts the blog liked), turned
// into the read API's XML. The posts of the listings go out one after another
// in pages of 20 in the order they came, each post once, so the run's loop
// sees one list however the listings are asked. Every request goes through
// the run's services, and a failed one is asked about with the run's decisions.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "PageSource.h"
#include "apiv2/PostsPage.h"
#include "modTumblrInteraction.h"
#include "v2reader/Listing.h"
#include "v2reader/ServiceClient.h"

namespace qv::v2reader {

class V2PageSource : public IPageSource {
public:
    V2PageSource(const BackupOptions& options, RequestServices& services,
                 std::function<ServiceClient::Clock::time_point()> now = ServiceClient::Clock::now);

    int32_t PageSize() const override { return kPostsPerPage; }
    Result<std::string> Fetch(int32_t start, int32_t num) override;
    bool MayBePrivate() const override { return options_.v2.Signed(); }
    void Extends(const XmlDocument& backup) override;

private:
    // The blog's info and time zone, and the listings to read.
    Status Begin(int32_t start);
    // Reads on until the posts up to `until` are at hand, or every listing is read.
    Status Fill(int32_t until, int32_t start);
    // One answer of the API, as `read` makes it, asked again as the run decides.
    template <typename T, typename Read>
    Result<T> Ask(const std::string& method, const oauth::Parameters& query, Read read, int32_t start);
    void Take(const apiv2::Page& page, apiv2::Listing listing);
    std::string PageText(int32_t from, int32_t count) const;

    const BackupOptions& options_;
    RequestServices& services_;
    ServiceClient client_;
    std::optional<apiv2::Blog> blog_;
    apiv2::UtcOffset utcOffset_;
    // What the backup this run extends says.
    std::optional<std::string> knownZone_;
    std::optional<std::int64_t> keptTotal_;
    std::unordered_set<std::string> heldDraftsAndQueue_;

    std::vector<Listing> listings_;
    std::size_t current_ = 0;
    // Posts at hand, the first of them at `first_` of the run's list.
    std::deque<std::string> posts_;
    int32_t first_ = 0;
    std::unordered_set<std::string> given_;
    std::optional<std::int64_t> total_;
    bool begun_ = false;
    // Where the run's list began: past 0 when it continues an interrupted run.
    int32_t begunAt_ = 0;
    bool mainBegun_ = false;
};

// The run's source for a request through the v2 API.
std::unique_ptr<IPageSource> MakeV2Source(const BackupOptions& options, RequestServices& services);

}  // namespace qv::v2reader
