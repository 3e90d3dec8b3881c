#include <gtest/gtest.h>

#include "HtmlFragment.h"
#include "HtmlWriter.h"

namespace qv::html {
namespace {

std::string Reparsed(const std::string& html) { return ToHtml(HtmlFragment::Parse(html).Nodes()); }

std::size_t Depth(const std::vector<Node>& nodes) {
    std::size_t deepest = 0;
    for (const Node& node : nodes) deepest = std::max(deepest, 1 + Depth(node.children));
    return deepest;
}

TEST(HtmlFragment, ReadsLikeABrowserInsideABody) {
    const HtmlFragment fragment = HtmlFragment::Parse(
        "<P Class=intro id=\"a\">caf&eacute; &amp; &#8220;tea&#8221;<b>bold<i>both</b> after");
    ASSERT_EQ(fragment.Nodes().size(), 1u);
    const Node& paragraph = fragment.Nodes()[0];
    EXPECT_TRUE(paragraph.IsElement("p"));
    ASSERT_EQ(paragraph.attributes.size(), 2u);
    EXPECT_EQ(paragraph.attributes[0].name, "class");
    EXPECT_EQ(paragraph.attributes[0].value, "intro");
    EXPECT_EQ(paragraph.attributes[1].name, "id");
    EXPECT_EQ(*paragraph.FindAttribute("id"), "a");
    EXPECT_EQ(paragraph.FindAttribute("style"), nullptr);
    // Entities decoded, misnested tags repaired the way browsers repair them.
    EXPECT_EQ(fragment.Text(),
              "caf\xC3\xA9 & \xE2\x80\x9C"
              "tea\xE2\x80\x9D"
              "boldboth after");
    EXPECT_EQ(ToHtml(fragment.Nodes()),
              "<p class=\"intro\" id=\"a\">caf\xC3\xA9 &amp; \xE2\x80\x9C"
              "tea\xE2\x80\x9D"
              "<b>bold<i>both</i></b><i> after</i></p>");
}

TEST(HtmlFragment, KeepsUnknownElementsByNameAndForeignOnesByNamespace) {
    const HtmlFragment fragment =
        HtmlFragment::Parse("<my-widget data-x=1>in</my-widget><svg><circle/></svg>");
    ASSERT_EQ(fragment.Nodes().size(), 2u);
    EXPECT_EQ(fragment.Nodes()[0].name, "my-widget");
    EXPECT_EQ(fragment.Nodes()[0].space, Namespace::Html);
    EXPECT_EQ(fragment.Nodes()[1].name, "svg");
    EXPECT_EQ(fragment.Nodes()[1].space, Namespace::Svg);
}

TEST(HtmlFragment, DropsCommentsUnlessAskedAndWritesThemSoTheyCannotEndEarly) {
    EXPECT_EQ(Reparsed("a<!-- note -->b"), "ab");
    ParseOptions keep;
    keep.keepComments = true;
    const HtmlFragment fragment = HtmlFragment::Parse("a<!-- note -->b", keep);
    ASSERT_EQ(fragment.Nodes().size(), 3u);
    EXPECT_EQ(fragment.Nodes()[1].kind, NodeKind::Comment);

    Node comment;
    comment.kind = NodeKind::Comment;
    comment.text = "x --><script>alert(1)</script>";
    const std::string written = ToHtml({comment});
    const HtmlFragment back = HtmlFragment::Parse(written, keep);
    ASSERT_EQ(back.Nodes().size(), 1u) << written;
    EXPECT_EQ(back.Nodes()[0].kind, NodeKind::Comment);
}

TEST(HtmlFragment, HostileNestingKeepsItsTextButNotItsDepth) {
    std::string deep;
    for (int i = 0; i < 20000; ++i) deep += "<div>";
    deep += "bottom";
    const HtmlFragment fragment = HtmlFragment::Parse(deep);
    EXPECT_LE(Depth(fragment.Nodes()), ParseOptions().maxDepth + 1);
    EXPECT_EQ(fragment.Text(), "bottom");
}

TEST(HtmlWriter, EscapesTextAndValuesAndNeverWritesANameThatBreaksTheTag) {
    Node link = Node::Element(
        "a",
        {{"href", "x\" onclick=\"alert(1)"}, {"onmouseover=alert(1) x", "1"}, {"title", "<b>&amp;</b>"}});
    link.children.push_back(Node::Text("</a><script>alert(1)</script>"));
    const std::string html = ToHtml({link});
    EXPECT_EQ(html,
              "<a href=\"x&quot; onclick=&quot;alert(1)\" title=\"&lt;b&gt;&amp;amp;&lt;/b&gt;\">"
              "&lt;/a&gt;&lt;script&gt;alert(1)&lt;/script&gt;</a>");
    // Read back, it is the same one element with the same values.
    const HtmlFragment back = HtmlFragment::Parse(html);
    ASSERT_EQ(back.Nodes().size(), 1u);
    EXPECT_EQ(*back.Nodes()[0].FindAttribute("href"), "x\" onclick=\"alert(1)");
    EXPECT_EQ(back.Nodes()[0].attributes.size(), 2u);
    EXPECT_EQ(back.Text(), "</a><script>alert(1)</script>");

    Node broken = Node::Element("img src=x onerror=alert(1)");
    broken.children.push_back(Node::Text("kept"));
    EXPECT_EQ(ToHtml({broken}), "kept");
    EXPECT_EQ(ToHtml({Node::Element("br"), Node::Element("img", {{"src", "a.png"}})}),
              "<br><img src=\"a.png\">");
}

}  // namespace
}  // namespace qv::html
