// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "EngineDoubles.h"
#include "Utilities.h"
#include "modTumblrInteraction.h"

namespace qv {
namespace {

using test::IdsIn;
using test::RecordingHost;
using test::ScopedMessages;

const std::string kStage = "Sorting posts in backup XML...\r\nStage ";

XmlDocument Parsed(const std::string& text) {
    XmlDocument document;
    EXPECT_TRUE(document.LoadXml(text, 0)) << document.ParseError().Reason();
    return document;
}

XmlDocument WithPosts(const std::string& posts) {
    return Parsed("<tumblr version=\"1.0\"><tumblelog/><posts start=\"0\" total=\"9\">" + posts +
                  "</posts></tumblr>");
}

std::string Post(const std::string& id, const std::string& text = "") {
    return "<post id=\"" + id + "\">" + (text.empty() ? id : text) + "</post>";
}

std::vector<std::string> Sorted(XmlDocument& document) {
    RecordingHost host;
    EXPECT_TRUE(SortPosts(document, host).ok());
    return IdsIn(document);
}

// The ordering done literally, one query per post through a holding element:
// the behaviour SortPosts must reproduce exactly, only faster.
void ReferenceSortPosts(XmlDocument& document) {
    const auto ids = CollectPostIds("*** Dummy ***", document);
    if (!ids || ids->Count() == 0) return;
    std::vector<std::string> keys = PadSortKeys(ids->InOrder());
    SharedCollectionUtility().SortCollection(keys);
    const std::vector<std::string> order = UnpadSortKeys(keys);

    XmlNode holder = document.RootElement().AddChild(xntElement, "temp", "");
    XmlNode container = document.DocumentNode().SelectSingleNode("/tumblr/posts");
    for (XmlNode post : container.SelectNodes("post")) {
        holder.AppendChild(post);
        post.Remove();
    }
    for (const std::string& id : order) {
        XmlNode post = holder.SelectSingleNode("post[@id=\"" + id + "\"]");
        if (!post) continue;
        container.AppendChild(post);
        post.Remove();
    }
    holder.Remove();
}

TEST(SortPosts, OrdersByNumberLargestFirst) {
    XmlDocument numbers = WithPosts(Post("9") + Post("100") + Post("10"));
    EXPECT_EQ(Sorted(numbers), (std::vector<std::string>{"100", "10", "9"}));

    XmlDocument oldThenNew = WithPosts(Post("5") + Post("7") + Post("6"));
    EXPECT_EQ(Sorted(oldThenNew), (std::vector<std::string>{"7", "6", "5"}));

    XmlDocument zero = WithPosts(Post("0") + Post("3"));
    EXPECT_EQ(Sorted(zero), (std::vector<std::string>{"3", "0"}));
}

TEST(SortPosts, KeepsTheFirstElementOfAnIdAndDropsPostsWithoutOne) {
    XmlDocument document = WithPosts(Post("42", "first") + "<post>no id</post>" + Post("7") +
                                     Post("42", "second") + "<post id=\"\">empty id</post>");
    EXPECT_EQ(Sorted(document), (std::vector<std::string>{"42", "7"}));
    EXPECT_EQ(document.NodeText("/tumblr/posts/post[@id='42']"), "first");
    EXPECT_EQ(document.Xml(false).find("temp"), std::string::npos);
}

TEST(SortPosts, OtherChildrenOfPostsStayInFrontAndTheRestOfTheDocumentIsUntouched) {
    XmlDocument document = Parsed("<tumblr version=\"1.0\"><tumblelog>t</tumblelog><posts>" + Post("1") +
                                  "note<feed/>" + Post("2") + "</posts><after/></tumblr>");
    RecordingHost host;
    EXPECT_TRUE(SortPosts(document, host).ok());
    EXPECT_EQ(document.Xml(false),
              "<?xml version=\"1.0\"?><tumblr version=\"1.0\"><tumblelog>t</tumblelog><posts>note<feed/>" +
                  Post("2") + Post("1") + "</posts><after/></tumblr>");
    EXPECT_EQ(host.statuses,
              (std::vector<std::string>{kStage + "1 of 3", kStage + "2 of 3", kStage + "3 of 3"}));
}

TEST(SortPosts, LeavesDocumentsWithoutIdsOrOfAnotherVersionAsTheyAre) {
    for (const std::string& text :
         {std::string("<tumblr version=\"1.0\"><posts>x</posts></tumblr>"),
          std::string(
              "<tumblr version=\"1.0\"><posts><post>a</post><post id=\"\">b</post></posts></tumblr>")}) {
        XmlDocument document = Parsed(text);
        const std::string before = document.Xml(false);
        RecordingHost host;
        EXPECT_TRUE(SortPosts(document, host).ok());
        EXPECT_EQ(document.Xml(false), before);
        EXPECT_EQ(host.statuses, std::vector<std::string>{kStage + "1 of 3"});
    }

    XmlDocument newer =
        Parsed("<tumblr version=\"1.1\"><posts>" + Post("1") + Post("2") + "</posts></tumblr>");
    RecordingHost host;
    const Status sorted = SortPosts(newer, host);
    EXPECT_EQ(IdsIn(newer), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(sorted.kind(), StatusKind::NotBlogXml);
    EXPECT_EQ(sorted.text(), "*** Dummy ***\r\n\r\nThis XML doesnt appear to be Tumblr XML.");
}

TEST(SortPosts, AnIdWrittenWithLeadingZerosIsKeptAtItsNumbersPlace) {
    XmlDocument document = WithPosts(Post("5") + Post("007") + Post("12") + Post("7") + Post("000"));
    EXPECT_EQ(Sorted(document), (std::vector<std::string>{"12", "007", "7", "5", "000"}));
}

TEST(SortKeys, PadToThirtyAndComeBackReversed) {
    const std::vector<std::string> keys = PadSortKeys({"5", "123", std::string(31, '9')});
    EXPECT_EQ(keys[0], std::string(29, '0') + "5");
    EXPECT_EQ(keys[1], std::string(27, '0') + "123");
    EXPECT_EQ(keys[2], std::string(31, '9'));
    EXPECT_EQ(UnpadSortKeys({std::string(30, '0'), std::string(29, '0') + "5", std::string(27, '0') + "123"}),
              (std::vector<std::string>{"123", "5", "0"}));
}

// Children of <posts> as they come: posts with plain ids (often repeated),
// with ids that are no plain number or longer than a key, posts without an id,
// text and other elements. Leading zeros are left out: the reference loses
// them (see above). `label` tells the contents of one call from another's.
std::string RandomChildren(std::mt19937& random, int count, int label) {
    static const std::vector<std::string> odd = {"0", "12a", "-5", " 7", "A", "1e3", "99x", "9a"};
    std::string posts;
    for (int i = label; i < label + count; ++i) {
        const int kind = std::uniform_int_distribution<>(0, 21)(random);
        if (kind == 20)
            posts += Post(odd[std::uniform_int_distribution<size_t>(0, odd.size() - 1)(random)],
                          "odd " + std::to_string(i));
        else if (kind == 21)
            posts += Post(
                std::string(std::uniform_int_distribution<>(29, 33)(random), '9') + std::to_string(i % 3),
                "long " + std::to_string(i));
        else if (kind == 0)
            posts += "<post>no id " + std::to_string(i) + "</post>";
        else if (kind == 1)
            posts += "text" + std::to_string(i);
        else if (kind == 2)
            posts += "<feed n=\"" + std::to_string(i) + "\"/>";
        else
            posts += Post(std::to_string(std::uniform_int_distribution<long long>(
                              0, kind < 10 ? 30 : 99999999999LL)(random)),
                          "copy " + std::to_string(i));
    }
    return posts;
}

void ExpectSortedAsTheReference(const std::string& posts) {
    XmlDocument fast = WithPosts(posts);
    XmlDocument reference = WithPosts(posts);
    RecordingHost host;
    EXPECT_TRUE(SortPosts(fast, host).ok());
    ReferenceSortPosts(reference);
    ASSERT_EQ(fast.Xml(false), reference.Xml(false));
}

TEST(SortPosts, GivesExactlyTheDocumentOfTheOneQueryPerPostMethod) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ExpectSortedAsTheReference(RandomChildren(random, std::uniform_int_distribution<>(0, 40)(random), 0));
    }
}

// A saved backup is in order already and only the posts added after it need
// sorting; those may repeat its ids, come between its posts or be out of order
// themselves, and a backup edited by hand may be out of order anywhere.
TEST(SortPosts, ABackupInOrderWithPostsAddedGivesExactlyTheDocumentOfTheReference) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        XmlDocument saved =
            WithPosts(RandomChildren(random, std::uniform_int_distribution<>(1, 40)(random), 0));
        ReferenceSortPosts(saved);
        std::string posts = saved.Xml(false);
        const size_t open = posts.find('>', posts.find("<posts")) + 1;
        posts = posts.substr(open, posts.rfind("</posts>") - open);
        if (const size_t first = posts.find("<post id="); round % 3 == 0 && first != std::string::npos) {
            // Out of order by hand: the largest post moved to the end.
            const size_t length = posts.find("</post>", first) + 7 - first;
            const std::string largest = posts.substr(first, length);
            posts = posts.erase(first, length) + largest;
        }
        ExpectSortedAsTheReference(
            posts + RandomChildren(random, std::uniform_int_distribution<>(0, 12)(random), 1000));
    }

    // Two spellings of one number, which the reference cannot tell apart,
    // and an id repeated right after its first element.
    XmlDocument spellings = WithPosts(Post("9") + Post("7", "first") + Post("7", "again") + Post("5") +
                                      Post("007") + Post("8") + Post("05") + Post("9", "again"));
    EXPECT_EQ(Sorted(spellings), (std::vector<std::string>{"9", "8", "7", "007", "5", "05"}));
    EXPECT_EQ(spellings.NodeText("/tumblr/posts/post[@id='7']"), "first");
    EXPECT_EQ(spellings.NodeText("/tumblr/posts/post[@id='9']"), "9");
}

}  // namespace
}  // namespace qv
