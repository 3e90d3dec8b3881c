// SPDX-License-Identifier: GPL-3.0-or-later
// Answers that are not what the API promises: each is a failed page of its
// kind, never merged, and never a crash or an exception; a page with some
// broken posts keeps the others and names the lost ones.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>
#include <vector>

#include "apiv2/BlogInfo.h"
#include "apiv2/PostsPage.h"

namespace qv {
namespace {

std::string Envelope(const std::string& response) {
    return R"({"meta":{"status":200,"msg":"OK"},"response":)" + response + "}";
}

TEST(HostileAnswers, BrokenEnvelopesFailWithTheirKindAndTheServicesWords) {
    struct Case {
        std::string body;
        StatusKind kind;
        int httpStatus = 0;
    };
    const std::string deep = std::string(20000, '[') + std::string(20000, ']');
    const std::vector<Case> cases = {
        {"", StatusKind::UnreadableXml},
        {"<html><body>Service unavailable</body></html>", StatusKind::UnreadableXml},
        {R"({"meta":{"status":200,"msg":"OK"},"response":{"posts":[)", StatusKind::UnreadableXml},
        {"{\"meta\":{\"status\":200},\"response\":{\"blog\":{\"name\":\"\xC3\x28\"}}}", StatusKind::UnreadableXml},
        {R"({"meta":{"status":200},"response":{"posts":[],"x":1e999}})", StatusKind::UnreadableXml},
        {deep, StatusKind::NotBlogXml},
        {"[]", StatusKind::NotBlogXml},
        {R"({"response":{"posts":[]}})", StatusKind::NotBlogXml},
        {R"({"meta":{"status":"200"},"response":{"posts":[]}})", StatusKind::NotBlogXml},
        {R"({"meta":{"status":200.5},"response":{"posts":[]}})", StatusKind::NotBlogXml},
        {R"({"meta":{"status":99999999999999999999999},"response":{"posts":[]}})", StatusKind::NotBlogXml},
        {R"({"meta":{"status":200,"msg":"OK"},"response":[]})", StatusKind::NotBlogXml},
        {Envelope("{}"), StatusKind::NotBlogXml},
        {Envelope(R"({"posts":{"0":{}}})"), StatusKind::NotBlogXml},
        {R"({"meta":{"status":401,"msg":"Unauthorized"},"response":[],"errors":[{"title":"Unauthorized","detail":"Login required"}]})",
         StatusKind::Wall, 401},
        {R"({"meta":{"status":404,"msg":"Not Found"},"response":[]})", StatusKind::NotFound, 404},
        {R"({"meta":{"status":429,"msg":"Limit Exceeded"},"response":[]})", StatusKind::Throttled, 429},
        {R"({"meta":{"status":503,"msg":"Service Unavailable"},"response":[]})", StatusKind::HttpStatus, 503},
        {R"({"meta":{"status":-7,"msg":"odd"},"response":[]})", StatusKind::HttpStatus, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.substr(0, 120));
        const Result<apiv2::Page> page = apiv2::ReadPostsPage(c.body, {});
        ASSERT_FALSE(page.ok());
        EXPECT_EQ(page.status().kind(), c.kind) << page.status().text();
        EXPECT_EQ(page.status().httpStatus(), c.httpStatus);
        EXPECT_FALSE(page.status().text().empty());
        EXPECT_FALSE(apiv2::ReadBlogInfo(c.body).ok());
        EXPECT_FALSE(apiv2::ReadUserName(c.body).ok());
    }
    const Result<apiv2::Page> wall = apiv2::ReadPostsPage(cases[14].body, {});
    EXPECT_NE(wall.status().text().find("Login required"), std::string::npos) << wall.status().text();
}

TEST(HostileAnswers, BrokenPostsAreDroppedByNameAndTheRestStillMakesWellFormedXml) {
    const std::string deep = std::string(50000, '[') + std::string(50000, ']');
    const std::string body = Envelope(R"({"total_posts":"many","blog":{"name":7,"title":["x"]},"posts":[
        42,
        {},
        {"id":-5,"type":"text"},
        {"id":1.5,"type":"text"},
        {"id_string":"007","type":"text"},
        {"id":99999999999999999999999,"type":"text"},
        {"id":123,"type":"blocks","content":[]},
        {"id_string":"5","type":"text","title":7,"body":["x"],"tags":"notarray","timestamp":"soon",
         "date":"garbage","format":false,"slug":null,"post_url":{"a":1}},
        {"id":6,"type":"photo","photos":[5,{"original_size":"big","alt_sizes":[1,{"url":7},{"url":"u","width":-4}]}],
         "timestamp":9223372036854775807,"date":"2009-02-16 18:49:00 GMT","nested":)" + deep + R"(},
        {"id":7,"type":"chat","body":"a\u0000b\u0001c\r\nd","dialogue":[{"name":"x\"<&","label":1,"phrase":null},3],
         "timestamp":-1,"plays":1e300},
        {"id":8,"type":"audio","plays":18446744073709551615,"player":"\uFFFF<embed/>"},
        {"id":9,"type":"video","player":[{"width":"wide","embed_code":false},{"embed_code":"<iframe/>"}],
         "tags":["ok",1,null,"a\tb"]}
    ]})");
    const Result<apiv2::Page> page = apiv2::ReadPostsPage(body, {});
    ASSERT_TRUE(page.ok()) << page.status().text();
    EXPECT_EQ(page->received, 12u);
    EXPECT_EQ(page->ids, (std::vector<std::string>{"5", "6", "7", "8", "9"}));
    std::vector<std::pair<std::size_t, std::string>> dropped;
    for (const auto& post : page->dropped) {
        EXPECT_EQ(post.why.kind(), StatusKind::NotBlogXml);
        dropped.emplace_back(post.index, post.id);
    }
    EXPECT_EQ(dropped, (std::vector<std::pair<std::size_t, std::string>>{
                           {0, ""}, {1, ""}, {2, ""}, {3, ""}, {4, ""}, {5, ""}, {6, "123"}}));
    EXPECT_FALSE(page->total);

    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(page->xml.c_str())) << page->xml;
    const pugi::xml_node posts = document.child("tumblr").child("posts");
    EXPECT_STREQ(document.child("tumblr").child("tumblelog").attribute("name").value(), "");
    EXPECT_EQ(std::distance(posts.children("post").begin(), posts.children("post").end()), 5);
    const pugi::xml_node photo = posts.find_child_by_attribute("post", "id", "6");
    EXPECT_STREQ(photo.attribute("date-gmt").value(), "2009-02-16 18:49:00 GMT")
        << "a timestamp no date can say gives way to the date text";
    EXPECT_STREQ(photo.child("photo-url").child_value(), "u");
    EXPECT_FALSE(photo.child("photo-url").attribute("max-width"));
    const pugi::xml_node chat = posts.find_child_by_attribute("post", "id", "7");
    EXPECT_FALSE(chat.attribute("unix-timestamp"));
    EXPECT_STREQ(chat.child_value("conversation-text"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c\r\nd");
    EXPECT_STREQ(chat.child("conversation").child("line").attribute("name").value(), "x\"<&");
    EXPECT_FALSE(posts.find_child_by_attribute("post", "id", "8").attribute("audio-plays"));
    EXPECT_STREQ(posts.find_child_by_attribute("post", "id", "8").child_value("audio-player"),
                 "\xEF\xBF\xBD<embed/>");
    const pugi::xml_node video = posts.find_child_by_attribute("post", "id", "9");
    EXPECT_STREQ(video.child_value("video-player"), "<iframe/>");
    EXPECT_STREQ(video.last_child().child_value(), "a\tb");
}

}  // namespace
}  // namespace qv
