// SPDX-License-Identifier: GPL-3.0-or-later
// The service's ways as the v2 stand-in plays them, read back through the
// readers a page source is built of: paging by offset and by time, a pinned
// post, a post published meanwhile, drafts, the queue, likes, the limits and
// broken envelopes.
#include <gtest/gtest.h>

#include "ReadApiServer.h"
#include "V2ApiServer.h"
#include "apiv2/PostsPage.h"
#include "apiv2/RateLimit.h"
#include "oauth/RequestSigner.h"
#include "oauth/ServiceExchange.h"

namespace qv {
namespace {

using test::V2ApiServer;

class ServiceWays : public ::testing::Test {
protected:
    ServiceWays() {
        test::Blog blog;
        blog.posts = test::MakePosts(30, 900);  // ids 900 down to 871, all at one time
        service_.SetBlog(blog);
    }

    oauth::ServiceAnswer Get(const std::string& pathAndQuery, bool signedRead = false) {
        oauth::ServiceCall call;
        call.url = service_.BaseUrl() + pathAndQuery;
        if (signedRead) {
            const oauth::RequestSigner signer({V2ApiServer::kConsumerKey, V2ApiServer::kConsumerSecret},
                                              oauth::TokenCredentials{V2ApiServer::kAccessToken, V2ApiServer::kAccessSecret});
            call.headers.push_back("Authorization: " + *signer.Authorization("GET", call.url));
        } else {
            call.url += std::string(pathAndQuery.find('?') == std::string::npos ? "?" : "&") +
                        "api_key=" + V2ApiServer::kConsumerKey;
        }
        return oauth::Exchange(http_, call, {});
    }

    apiv2::Page Page(const std::string& pathAndQuery, apiv2::Listing listing = apiv2::Listing::Published,
                     bool signedRead = false) {
        const oauth::ServiceAnswer answer = Get(pathAndQuery, signedRead);
        EXPECT_TRUE(answer.status.ok()) << answer.status.text();
        apiv2::PageContext context;
        context.listing = listing;
        Result<apiv2::Page> page = apiv2::ReadPostsPage(answer.body, context);
        EXPECT_TRUE(page.ok()) << page.status().text();
        return page.ok() ? *page : apiv2::Page();
    }

    V2ApiServer service_;
    HttpRequest http_;
};

TEST_F(ServiceWays, PagingPinnedPostsAndPostsPublishedMeanwhile) {
    service_.PublishAfter(1, test::MakePost(901));
    const apiv2::Page first = Page("/v2/blog/testblog.example/posts?offset=0&limit=20");
    ASSERT_EQ(first.ids.size(), 20u);
    EXPECT_EQ(first.ids.back(), "881");
    // Published after the first answer: everything moved down by one.
    const apiv2::Page second = Page("/v2/blog/testblog.example/posts?offset=20&limit=20");
    EXPECT_EQ(second.ids.front(), "881");
    EXPECT_EQ(second.total, 31);

    service_.PinPost("880");
    const apiv2::Page pinned = Page("/v2/blog/testblog.example/posts?limit=20");
    ASSERT_EQ(pinned.ids.size(), 20u);
    EXPECT_EQ(pinned.ids[0], "880") << "the pinned post comes first";
    EXPECT_EQ(pinned.ids[1], "901");
    EXPECT_EQ(pinned.nextQuery, (std::vector<std::pair<std::string, std::string>>{{"offset", "19"}}));

    // All the posts share one time: asking for those before it gives none.
    EXPECT_EQ(first.oldestTimestamp, 1247647811);
    EXPECT_TRUE(Page("/v2/blog/testblog.example/posts?before=1247647811").ids.empty());
    EXPECT_EQ(Page("/v2/blog/testblog.example/posts?before=1247647812").ids.size(), 20u);
}

TEST_F(ServiceWays, DraftsQueueAndLikesEachInTheirOwnWay) {
    service_.SetDrafts(test::MakePosts(25, 700));
    service_.SetQueue(test::MakePosts(3, 800));
    service_.SetLikes({{test::MakePost(11), "otherblog", 1500000300}, {test::MakePost(12), "third", 1500000200}});

    EXPECT_EQ(Get("/v2/blog/testblog.example/posts/draft").status.kind(), StatusKind::Wall)
        << "drafts are for the blog's own signed reads";
    const apiv2::Page drafts = Page("/v2/blog/testblog.example/posts/draft", apiv2::Listing::Drafts, true);
    ASSERT_EQ(drafts.ids.size(), 20u);
    EXPECT_NE(drafts.xml.find("state=\"draft\""), std::string::npos);
    const apiv2::Page older =
        Page("/v2/blog/testblog.example/posts/draft?before_id=" + *drafts.lastId, apiv2::Listing::Drafts, true);
    EXPECT_EQ(older.ids, (std::vector<std::string>{"680", "679", "678", "677", "676"}));

    const apiv2::Page queue = Page("/v2/blog/testblog.example/posts/queue", apiv2::Listing::Queue, true);
    EXPECT_EQ(queue.ids.size(), 3u);
    EXPECT_NE(queue.xml.find("state=\"queued\""), std::string::npos);

    const apiv2::Page likes = Page("/v2/blog/testblog.example/likes?limit=1", apiv2::Listing::Likes);
    EXPECT_EQ(likes.ids, std::vector<std::string>{"11"});
    EXPECT_NE(likes.xml.find("from-blog=\"otherblog\""), std::string::npos);
    EXPECT_EQ(likes.total, 2);
    const apiv2::Page earlier = Page("/v2/blog/testblog.example/likes?before=" +
                                     std::to_string(*likes.oldestLikedTimestamp), apiv2::Listing::Likes);
    EXPECT_EQ(earlier.ids, std::vector<std::string>{"12"});
}

TEST_F(ServiceWays, LimitsAndBrokenEnvelopesAreReadAsTheirKinds) {
    test::RateBudget budget;
    budget.hourRemaining = 2;
    budget.hourReset = 1200;
    service_.SetRateBudget(budget);
    oauth::ServiceAnswer answer = Get("/v2/blog/testblog.example/info");
    EXPECT_TRUE(apiv2::RateLimitStatus(answer.httpStatus, answer.headers).ok());
    answer = Get("/v2/blog/testblog.example/info");
    ASSERT_TRUE(answer.status.ok());
    const Status hour = apiv2::RateLimitStatus(answer.httpStatus, answer.headers);
    EXPECT_EQ(hour.kind(), StatusKind::Throttled) << "the last of the hour's requests says to wait before the next";
    EXPECT_EQ(hour.retryAfterSeconds(), 1200);
    EXPECT_EQ(Get("/v2/blog/testblog.example/info").status.kind(), StatusKind::Throttled);

    budget = {};
    budget.dayRemaining = 0;
    budget.dayReset = 40000;
    service_.SetRateBudget(budget);
    answer = Get("/v2/blog/testblog.example/posts");
    EXPECT_EQ(answer.httpStatus, 429);
    EXPECT_EQ(apiv2::RateLimitStatus(answer.httpStatus, answer.headers).kind(), StatusKind::DailyLimit);

    service_.SetRateBudget({});
    service_.ThrottleNext(1, 30);
    answer = Get("/v2/blog/testblog.example/posts");
    EXPECT_EQ(apiv2::RateLimitStatus(answer.httpStatus, answer.headers).retryAfterSeconds(), 30);

    const std::pair<test::EnvelopeFault, StatusKind> faults[] = {
        {test::EnvelopeFault::NotJson, StatusKind::UnreadableXml},
        {test::EnvelopeFault::Truncated, StatusKind::UnreadableXml},
        {test::EnvelopeFault::MetaStatus500, StatusKind::HttpStatus},
        {test::EnvelopeFault::NoPosts, StatusKind::NotBlogXml},
    };
    for (const auto& [fault, kind] : faults) {
        service_.Http().Enqueue(V2ApiServer::BrokenEnvelope(fault));
        answer = Get("/v2/blog/testblog.example/posts");
        ASSERT_TRUE(answer.status.ok());
        EXPECT_EQ(apiv2::ReadPostsPage(answer.body, {}).status().kind(), kind);
    }
}

}  // namespace
}  // namespace qv
