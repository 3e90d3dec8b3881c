// SPDX-License-Identifier: GPL-3.0-or-later
// The same blog read over real sockets from the read-API stand-in and, 20
// posts a page, from the v2 stand-in: the v2 pages become the very posts the
// read API sends; a blog shown to signed-in readers only gives its private
// posts to a signed read alone.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <fstream>
#include <iterator>

#include "ReadApiServer.h"
#include "SameElement.h"
#include "V2ApiServer.h"
#include "apiv2/PostsPage.h"
#include "apiv2/ZoneOffsets.h"
#include "oauth/RequestSigner.h"
#include "oauth/ServiceExchange.h"

namespace qv {
namespace {

using test::V2ApiServer;

std::string PostsOf(const std::string& page) {
    const std::size_t open = page.find('>', page.find("<posts"));
    return page.substr(open + 1, page.rfind("</posts>") - open - 1);
}

class SameBlog : public ::testing::Test {
protected:
    oauth::ServiceAnswer Get(const std::string& url, bool signedRead) {
        oauth::ServiceCall call;
        call.url = url;
        if (signedRead) {
            const oauth::RequestSigner signer({V2ApiServer::kConsumerKey, V2ApiServer::kConsumerSecret},
                                              oauth::TokenCredentials{V2ApiServer::kAccessToken, V2ApiServer::kAccessSecret});
            call.headers.push_back("Authorization: " + *signer.Authorization("GET", url));
        }
        return oauth::Exchange(http_, call, {});
    }

    // The blog's published posts through v2, page after page by offset.
    std::vector<apiv2::Page> ReadAll(V2ApiServer& service, bool signedRead, apiv2::PageContext context) {
        std::vector<apiv2::Page> pages;
        for (int offset = 0;; offset += 20) {
            std::string url = service.BaseUrl() + "/v2/blog/testblog.example/posts?offset=" + std::to_string(offset) +
                              "&limit=20";
            if (!signedRead) url += std::string("&api_key=") + V2ApiServer::kConsumerKey;
            const oauth::ServiceAnswer answer = Get(url, signedRead);
            EXPECT_TRUE(answer.status.ok()) << answer.status.text();
            context.start = offset;
            Result<apiv2::Page> page = apiv2::ReadPostsPage(answer.body, context);
            EXPECT_TRUE(page.ok()) << page.status().text();
            if (!page.ok() || page->received == 0) break;
            pages.push_back(std::move(*page));
        }
        return pages;
    }

    HttpRequest http_;
};

TEST_F(SameBlog, PostsThroughV2AreTheReadApisPostsByteForByte) {
    test::ReadApiServer readApi;
    test::Blog blog;
    blog.posts = test::MakePosts(45, 5000);
    readApi.SetBlog(blog);
    V2ApiServer service;
    service.SetBlog(readApi.CurrentBlog());

    const oauth::ServiceAnswer v1 = Get(readApi.Http().Url("/api/read?start=0&num=50"), false);
    ASSERT_TRUE(v1.status.ok());

    apiv2::PageContext context;
    context.utcOffset = *apiv2::SystemZoneOffsets("US/Eastern");  // the zone the read API's blog names
    const std::vector<apiv2::Page> pages = ReadAll(service, true, context);
    ASSERT_EQ(pages.size(), 3u);
    std::string v2Posts;
    for (const apiv2::Page& page : pages) {
        EXPECT_EQ(page.total, 45);
        v2Posts += PostsOf(page.xml);
    }
    EXPECT_EQ(v2Posts, PostsOf(v1.body));
    const auto tumblelog = [](const std::string& page) {
        return page.substr(page.find("<tumblelog"), page.find("</tumblelog>") - page.find("<tumblelog"));
    };
    EXPECT_EQ(tumblelog(pages[0].xml), tumblelog(v1.body));
    EXPECT_NE(pages[2].xml.find("<posts start=\"40\" total=\"45\">"), std::string::npos);
    EXPECT_GE(service.SignaturesVerified(), 3);
}

TEST_F(SameBlog, ALoginOnlyBlogGivesItsPrivatePostsToASignedReadAlone) {
    const std::string path = std::string(QV_FIXTURES_DIR) + "/09-authenticated-read-private-posts-total-mismatch.xml";
    pugi::xml_document fixture;
    ASSERT_TRUE(fixture.load_file(path.c_str()));
    // The posts as the read API sent them, carriage-return references and all.
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    test::Blog blog;
    blog.name = "dummylog";
    for (std::size_t at = text.find("<post "); at != std::string::npos; at = text.find("<post ", at + 1)) {
        const std::size_t end = text.find("</post>", at) + 7;
        blog.posts.push_back(text.substr(at, end - at));
    }
    ASSERT_EQ(blog.posts.size(), 14u);
    V2ApiServer service;
    service.SetBlog(blog);
    service.SetLoginOnly(true);

    const std::string anonymous = service.BaseUrl() + "/v2/blog/dummylog.tumblr.com/posts?api_key=" +
                                  V2ApiServer::kConsumerKey;
    const oauth::ServiceAnswer refused = Get(anonymous, false);
    EXPECT_EQ(refused.status.kind(), StatusKind::Wall);
    EXPECT_EQ(apiv2::ReadPostsPage(refused.body, {}).status().kind(), StatusKind::Wall);

    apiv2::PageContext context;
    context.utcOffset = *apiv2::SystemZoneOffsets("US/Eastern");
    const std::vector<apiv2::Page> pages = ReadAll(service, true, context);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].ids.size(), 14u);
    pugi::xml_document mine;
    ASSERT_TRUE(mine.load_string(pages[0].xml.c_str()));
    int privatePosts = 0;
    for (const pugi::xml_node post : fixture.child("tumblr").child("posts").children("post")) {
        const std::string id = post.attribute("id").value();
        ExpectSameElement(post, PostById(mine, id), "post " + id);
        privatePosts += std::string(post.attribute("private").value()) == "true";
    }
    EXPECT_EQ(privatePosts, 7);
}

}  // namespace
}  // namespace qv
