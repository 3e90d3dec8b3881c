// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <pugixml.hpp>

#include "html/HtmlFragment.h"
#include "html/HtmlWriter.h"
#include "html/MarkupBounds.h"

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

std::string Repeated(std::string_view piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

std::size_t Elements(const std::vector<Node>& nodes) {
    std::size_t count = 0;
    for (const Node& node : nodes)
        if (node.IsElement()) count += 1 + Elements(node.children);
    return count;
}

std::size_t Count(std::string_view text, std::string_view piece) {
    std::size_t count = 0;
    for (std::size_t at = 0; (at = text.find(piece, at)) != std::string_view::npos; at += piece.size())
        ++count;
    return count;
}

TEST(HtmlFragment, HostileNestingOrAttributesKeepTheirTextButNotTheirNumber) {
    // Deep enough, or wide enough, that the parser would need minutes if every tag reached it.
    const std::string deep =
        Repeated("<div><b>", 100000) + "bottom" + Repeated("</b></div>", 100000) + "<p>after</p>";
    const HtmlFragment fragment = HtmlFragment::Parse(deep);
    EXPECT_LE(Depth(fragment.Nodes()), ParseOptions().maxDepth + 1);
    EXPECT_EQ(fragment.Text(), "bottomafter");
    ASSERT_FALSE(fragment.Nodes().empty());
    EXPECT_TRUE(fragment.Nodes().back().IsElement("p")) << "the end tags close what was opened";

    std::string wide = "<b id=\"first\"";
    for (int i = 0; i < 100000; ++i) wide += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    const HtmlFragment tag = HtmlFragment::Parse(wide + ">text</b><i>after</i>");
    ASSERT_EQ(tag.Nodes().size(), 2u);
    EXPECT_EQ(tag.Nodes()[0].attributes.size(), ParseOptions().maxAttributes);
    EXPECT_EQ(*tag.Nodes()[0].FindAttribute("id"), "first");
    EXPECT_EQ(tag.Text(), "textafter");

    // Each paragraph would open again every bold element left open before it.
    std::string lingering;
    for (int i = 0; i < 5000; ++i) lingering += "<p><b class=\"c" + std::to_string(i) + "\">x</p>";
    const HtmlFragment paragraphs = HtmlFragment::Parse(lingering);
    EXPECT_EQ(paragraphs.Nodes().size(), 5000u);
    EXPECT_LE(Elements(paragraphs.Nodes()), 5000 * (ParseOptions().maxFormatting + 1));
    EXPECT_EQ(paragraphs.Text(), Repeated("x", 5000));
}

TEST(MarkupBounds, LeavesOutOnlyStartTagsBeyondTheDepthAndAttributesBeyondTheirNumber) {
    std::string bounded;
    const MarkupBounds bounds{10, 3, 5};
    const std::string deep =
        Repeated("<div class=\"x\">", 30) + "text" + Repeated("</div>", 30) + "<i>after</i>";
    ASSERT_TRUE(BoundMarkup(deep, bounds, bounded));
    EXPECT_EQ(Count(bounded, "<div class=\"x\">"), 10u);
    EXPECT_EQ(Count(bounded, "</div>"), 30u);
    EXPECT_NE(bounded.find("text"), std::string::npos);
    EXPECT_TRUE(bounded.ends_with("<i>after</i>"));

    // End tags of elements that are not open make no room, and "/>" opens an HTML element.
    EXPECT_TRUE(BoundMarkup(Repeated("<span></div>", 30), bounds, bounded));
    EXPECT_TRUE(BoundMarkup(Repeated("<div/>", 30), bounds, bounded));
    EXPECT_EQ(Count(bounded, "<div/>"), 10u);

    // A quoted value may hold what looks like the tag's end.
    ASSERT_TRUE(BoundMarkup("<a href=\"x\" title='1 > 0' lang=en dir=\"a>b\" hidden x=y>link</a> more",
                            bounds, bounded));
    EXPECT_EQ(bounded, "<a href=\"x\" title='1 > 0' lang=en >link</a> more");
    EXPECT_FALSE(BoundMarkup("<a href=\"x\" title='1 > 0' lang=en>link</a>", bounds, bounded));

    // Formatting elements that their own end tag has not closed stay open for the browser.
    std::string lingering;
    for (int i = 0; i < 10; ++i) lingering += "<p><b class=\"c" + std::to_string(i) + "\">z</p>";
    ASSERT_TRUE(
        BoundMarkup(lingering + "<i>over</i>" + Repeated("</b>", 10) + "<i>after</i>", bounds, bounded));
    EXPECT_EQ(Count(bounded, "<b class"), 5u);
    EXPECT_EQ(Count(bounded, "z</p>"), 10u);
    EXPECT_EQ(Count(bounded, "<i>"), 1u);
    EXPECT_TRUE(bounded.ends_with("<i>after</i>")) << "their own end tags close them";
    EXPECT_FALSE(BoundMarkup(Repeated("<p><b class=same>z</p>", 10), bounds, bounded))
        << "of identical ones a browser keeps three";
}

TEST(MarkupBounds, WhatABrowserDoesNotNestIsNeverLeftOut) {
    std::string bounded;
    const MarkupBounds bounds{10, 64, 5};
    // Paragraphs, items and cells without end tags, void elements, and tags in
    // comments, attribute values, scripts and SVG's self-closed shapes.
    const std::string flat =
        Repeated("<p>one<li>two<td>three<br><img src=x><hr>", 100) + "<!-- " + Repeated("<div>", 100) +
        " -->" + "<a title='" + Repeated("<div>", 100) + "'>t</a><script>" + Repeated("<div>", 100) +
        "</script><svg>" + Repeated("<path d='M0'/>", 100) + "</svg>" + Repeated("<b>x</b>", 100) +
        // Closed formatting, identical ones of which a browser keeps three, and
        // links, of which a new one ends the one before.
        Repeated("<i class=n>x</i>", 100) + Repeated("<td><b>x", 100) + Repeated("<a href=x>y", 100);
    EXPECT_FALSE(BoundMarkup(flat, bounds, bounded)) << bounded;

    // Nor is anything in the posts of the real sample pages.
    std::size_t posts = 0;
    for (const auto& file : std::filesystem::directory_iterator(QV_FIXTURES_DIR)) {
        if (file.path().extension() != ".xml") continue;
        pugi::xml_document document;
        ASSERT_TRUE(document.load_file(file.path().c_str())) << file.path();
        for (const pugi::xpath_node& post : document.select_nodes("//post")) {
            ++posts;
            for (pugi::xml_node field : post.node().children())
                EXPECT_FALSE(BoundMarkup(field.text().get(), {20, 64, 8}, bounded))
                    << file.path() << ": " << field.name();
        }
    }
    EXPECT_GT(posts, 100u);
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
