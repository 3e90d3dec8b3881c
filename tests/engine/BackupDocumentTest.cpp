// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "EngineDoubles.h"
#include "modTumblrInteraction.h"

namespace qv {
namespace {

using test::IdsIn;
using test::ScopedMessages;

XmlDocument Parsed(const std::string& text) {
    XmlDocument document;
    EXPECT_TRUE(document.LoadXml(text, 0)) << document.ParseError().Reason();
    return document;
}

std::string Posts(const std::string& ids) {
    std::string posts;
    size_t from = 0;
    while (from <= ids.size()) {
        const size_t comma = std::min(ids.find(',', from), ids.size());
        posts += "<post id=\"" + ids.substr(from, comma - from) + "\"><body>received " + ids.substr(from, comma - from) +
                 "</body></post>";
        from = comma + 1;
    }
    return posts;
}

TEST(CollectPostIds, RefusesAnythingButVersionOnePointZero) {
    for (const std::string& text : {std::string("<tumblr version=\"1.1\"><posts/></tumblr>"),
                                    std::string("<tumblr version=\" 1.0\"><posts/></tumblr>"),
                                    std::string("<tumblr><posts/></tumblr>"),
                                    std::string("<blog version=\"1.0\"><posts/></blog>")}) {
        SCOPED_TRACE(text);
        const Result<PostIdSet> ids = CollectPostIds("/home/me/old.xml", Parsed(text));
        ASSERT_FALSE(ids.ok());
        EXPECT_EQ(ids.status().kind(), StatusKind::NotBlogXml);
        EXPECT_EQ(ids.status().text(), "/home/me/old.xml\r\n\r\nThis XML doesnt appear to be Tumblr XML.");
    }
}

TEST(CollectPostIds, CountsEachNonEmptyIdOnceInFirstSeenOrderAndRemovesNothing) {
    ScopedMessages messages;
    const XmlDocument document = Parsed("<tumblr version=\"1.0\"><posts>" + Posts("30,10,30,,20") +
                                        "<post>no id</post></posts></tumblr>");
    const auto ids = CollectPostIds("x", document);
    ASSERT_TRUE(ids.ok());
    EXPECT_EQ(ids->Count(), 3);
    EXPECT_EQ(ids->InOrder(), (std::vector<std::string>{"30", "10", "20"}));
    EXPECT_TRUE(ContainsId("10", *ids));
    EXPECT_FALSE(ContainsId("", *ids));
    EXPECT_EQ(IdsIn(document).size(), 6u);
    EXPECT_TRUE(messages->Shown().empty());

    // Ids in the order of a saved backup are held the same way; another
    // spelling of a held number is another id.
    const auto saved = CollectPostIds(
        "x", Parsed("<tumblr version=\"1.0\"><posts>" + Posts("300,30,7,") + "</posts></tumblr>"));
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved->InOrder(), (std::vector<std::string>{"300", "30", "7"}));
    for (const std::string held : {"300", "30", "7"}) EXPECT_TRUE(ContainsId(held, *saved)) << held;
    for (const std::string other : {"007", "31", "3", "0", ""})
        EXPECT_FALSE(ContainsId(other, *saved)) << other;
}

TEST(IsLastPage, FewerThanFiftyPostsEndThePaging) {
    auto page = [](int count) {
        std::string ids;
        for (int i = 0; i < count; ++i) ids += (i ? "," : "") + std::to_string(1000 - i);
        return Parsed("<tumblr version=\"1.0\"><posts>" + (count ? Posts(ids) : "") + "</posts></tumblr>");
    };
    EXPECT_TRUE(IsLastPage(page(0)));
    EXPECT_TRUE(IsLastPage(page(49)));
    EXPECT_FALSE(IsLastPage(page(50)));
    EXPECT_FALSE(IsLastPage(page(51)));
}

TEST(MergePosts, AppendsNewPostsInPageOrderAndKeepsTheSavedCopyOfKnownOnes) {
    XmlDocument backup = Parsed("<tumblr version=\"1.0\"><posts><post id=\"5\"><body>saved 5</body></post></posts></tumblr>");
    const auto previous = CollectPostIds("x", backup);
    const XmlDocument page = Parsed("<tumblr version=\"1.0\"><posts>" + Posts("8,5,7") + "</posts></tumblr>");

    EXPECT_FALSE(MergePosts(page, backup, *previous));
    EXPECT_EQ(IdsIn(backup), (std::vector<std::string>{"5", "8", "7"}));
    EXPECT_EQ(backup.NodeText("/tumblr/posts/post[@id='5']/body"), "saved 5");
    EXPECT_EQ(backup.NodeText("/tumblr/posts/post[@id='8']/body"), "received 8");

    // Ids appended from a page are not "known": a later page repeating them merges again.
    EXPECT_TRUE(MergePosts(Parsed("<tumblr version=\"1.0\"><posts>" + Posts("8") + "</posts></tumblr>"), backup, *previous));
    EXPECT_EQ(IdsIn(backup).size(), 4u);
}

TEST(MergePosts, MakesTheContainerWhenTheBackupHasNone) {
    XmlDocument backup = Parsed("<tumblr version=\"1.0\"><tumblelog/></tumblr>");
    EXPECT_TRUE(MergePosts(Parsed("<tumblr version=\"1.0\"><posts>" + Posts("2,1") + "</posts></tumblr>"), backup, PostIdSet()));
    EXPECT_EQ(backup.Xml(false),
              "<?xml version=\"1.0\"?><tumblr version=\"1.0\"><tumblelog/><posts><post id=\"2\"><body>received 2</body>"
              "</post><post id=\"1\"><body>received 1</body></post></posts></tumblr>");
}

TEST(CopyTumblelog, ReplacesTheDescriptionRightBeforeThePosts) {
    XmlDocument backup = Parsed("<tumblr version=\"1.0\"><tumblelog title=\"old\"/><extra/><posts/></tumblr>");
    CopyTumblelog(Parsed("<tumblr><tumblelog title=\"new\">text</tumblelog><posts/></tumblr>"), backup);
    EXPECT_EQ(backup.Xml(false),
              "<?xml version=\"1.0\"?><tumblr version=\"1.0\"><extra/><tumblelog title=\"new\">text</tumblelog><posts/></tumblr>");

    CopyTumblelog(Parsed("<tumblr><posts/></tumblr>"), backup);  // a page without one changes nothing
    EXPECT_EQ(backup.NodeText("/tumblr/tumblelog/@title"), "new");

    XmlDocument withoutPosts = Parsed("<tumblr version=\"1.0\"><a/></tumblr>");
    CopyTumblelog(Parsed("<tumblr><tumblelog title=\"t\"/></tumblr>"), withoutPosts);
    EXPECT_EQ(withoutPosts.Xml(false), "<?xml version=\"1.0\"?><tumblr version=\"1.0\"><a/><tumblelog title=\"t\"/></tumblr>");
}

TEST(FixPostsAttributes, RewritesOnlyTheAttributesThatExist) {
    XmlDocument both = Parsed("<tumblr><posts start=\"100\" total=\"120\" type=\"photo\"/></tumblr>");
    FixPostsAttributes(both, 1234);
    EXPECT_EQ(both.NodeText("/tumblr/posts/@start"), "0");
    EXPECT_EQ(both.NodeText("/tumblr/posts/@total"), "1234");
    EXPECT_EQ(both.NodeText("/tumblr/posts/@type"), "photo");

    XmlDocument neither = Parsed("<tumblr><posts/></tumblr>");
    FixPostsAttributes(neither, 7);
    EXPECT_EQ(neither.Xml(false), "<?xml version=\"1.0\"?><tumblr><posts/></tumblr>");
}

// A failure that says Ok would be taken for neither a value nor a reason.
TEST(Result, HoldsAValueOrAFailedStatusButIsNeverMadeFromOk) {
    EXPECT_THROW((void)Result<PostIdSet>(Status::Ok()), std::logic_error);
    const Result<PostIdSet> failed = Status(StatusKind::NotBlogXml, "not the blog's XML");
    EXPECT_FALSE(failed.ok());
    EXPECT_TRUE(failed.status().Is(StatusKind::NotBlogXml));
}

}  // namespace
}  // namespace qv
