// SPDX-License-Identifier: GPL-3.0-or-later
// The quick reader of plain markup against gumbo: wherever it answers, its
// tree is gumbo's to the byte. Gumbo's tree is had by ending the markup with a
// comment, which the quick reader leaves to gumbo and the tree drops.
#include <gtest/gtest.h>

#include <filesystem>
#include <pugixml.hpp>
#include <random>

#include "html/HtmlFragment.h"
#include "html/MarkupBounds.h"
#include "html/PlainMarkup.h"
#include "../support/HtmlTreeText.h"

namespace qv::html {
namespace {

using test::TreeText;

std::string GumboTree(const std::string& html) { return TreeText(HtmlFragment::Parse(html + "<!---->").Nodes()); }

// Whether the quick reader answered; fails the test when its tree is not gumbo's.
bool ReadsAsGumbo(const std::string& html) {
    const ParseOptions options;
    // Beyond the bounds gumbo reads other markup, and the quick reader is not asked.
    std::string bounded;
    if (BoundMarkup(html, {options.maxDepth, options.maxAttributes, options.maxFormatting}, bounded))
        return false;
    const std::optional<std::vector<Node>> plain = ParsePlainMarkup(html, options.maxDepth);
    if (!plain) return false;
    EXPECT_EQ(TreeText(*plain), GumboTree(html)) << html;
    EXPECT_EQ(TreeText(HtmlFragment::Parse(html).Nodes()), TreeText(*plain)) << html;
    return true;
}

TEST(PlainMarkup, ReadsPlainMarkupAsGumboDoes) {
    for (const char* html : {
             "<p>Post 1: \xE2\x80\x9C"
             "caf\xC3\xA9 \xE2\x99\xAB\xE2\x80\x9D</p> Lorem ipsum dolor sit amet.",
             "<p>One &amp; two &lt;three&gt; &quot;four&quot;&nbsp;five</p>\n<p>six</p>",
             "<P CLASS=\"x\" Data-Id='7'>upper</P>",
             "<a href=\"https://example.com/?a=1&amp;b=2\" title='it&quot;s'>link</a> after",
             "<ul>\n<li>one <b>bold <i>both</i></b></li>\n<li><p>para</p><ul><li>deep</li></ul></li>\n</ul>",
             "<blockquote><p>quoted</p><div><p>in a div</p></div></blockquote><hr/><h2>Title "
             "<em>it</em></h2>",
             "text<br>more<br />again<img src=\"a.png\" alt=\"A\"><wbr>end",
             "<pre>  kept\n  spaces</pre><figure><img src=\"b.jpg\"><figcaption>cap</figcaption></figure>",
             "<div><b><div>block in bold</div></b><a href=\"x\"><p>para in link</p></a></div>",
             "<p>unclosed at the end <b>too",
             "\xF0\x9F\x98\x80 four bytes, \xE2\x82\xAC three, \xC2\xA9 two",
         })
        EXPECT_TRUE(ReadsAsGumbo(html)) << html;
}

// Markup a browser repairs, or characters it changes: whatever the quick
// reader answers must still be gumbo's tree.
TEST(PlainMarkup, LeavesWhatABrowserRepairsToGumbo) {
    for (const std::string& html : std::vector<std::string>{
             "<p>a<p>b",
             "<b>x<i>y</b>z</i>",
             "<ul><li>a<li>b</ul>",
             "<p>in<div>block</div>after</p>",
             "<p><ul><li>x</li></ul></p>",
             "<p>x<hr>y</p>",
             "<p>x<h1>y</h1></p>",
             "<h1>a<h2>b</h2></h1>",
             "<a href=\"1\">one<a href=\"2\">two</a></a>",
             "<li>loose</li>",
             "</p>stray",
             "<pre>\nfirst line dropped</pre>",
             "a &copy; b &amp c & d",
             "x\r\ny\rz",
             std::string("nul\0here", 8),
             "\xEF\xBB\xBF"
             "bom",
             "bad \xC3( utf-8 \xED\xA0\x80 surrogate \xC0\xAF overlong",
             "c1 \xC2\x85 control \x01 \x7F",
             "<p a=1 b>unquoted</p><p a=\"1\" a=\"2\">twice</p>",
             "<table><td>cell</table><script>x</script><textarea>\nt</textarea>",
             "<p>a < b</p><!-- comment --><br></br>",
             "<image src=x><svg><p>foreign</p></svg>",
         })
        ReadsAsGumbo(html);
}

// Formatting elements left open beyond the bound are left out before gumbo
// reads the markup, however plain it is otherwise.
TEST(PlainMarkup, LeavesMarkupBeyondTheBoundsToGumbo) {
    // Found by running the quick reader against gumbo on generated markup.
    const std::string html = "<ul>if<b>><em>b><em><b><i>P<i>Julb<i>f>KJJJJJ>if<b>><em>b>J<i>P";
    EXPECT_FALSE(ReadsAsGumbo(html));
    EXPECT_EQ(TreeText(HtmlFragment::Parse(html).Nodes()), GumboTree(html));
    EXPECT_NE(TreeText(*ParsePlainMarkup(html, ParseOptions().maxDepth)), GumboTree(html));
}

TEST(PlainMarkup, ReadsTheSamplePostsAsGumboDoes) {
    std::size_t read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QV_FIXTURES_DIR)) {
        if (entry.path().extension() != ".xml") continue;
        pugi::xml_document document;
        ASSERT_TRUE(document.load_file(entry.path().c_str()));
        for (pugi::xpath_node field : document.select_nodes("//post/*")) {
            const std::string text = field.node().child_value();
            if (text.find('<') != std::string::npos && ReadsAsGumbo(text)) ++read;
        }
    }
    // Real posts are mostly plain: the quick reader is not left idle.
    EXPECT_GT(read, 10u);
}

// Trees of every element the quick reader knows, placed anywhere (where a
// browser keeps them and where it does not), some with an end tag left out.
class RandomMarkup {
public:
    explicit RandomMarkup(unsigned seed) : random_(seed) {}

    std::string Make() {
        std::string html;
        AddChildren(html, 0);
        return html;
    }

private:
    std::size_t Pick(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
    }

    void AddChildren(std::string& html, int depth) {
        const std::size_t count = Pick(depth == 0 ? 5 : 4);
        for (std::size_t i = 0; i < count; ++i) Add(html, depth);
    }

    void Add(std::string& html, int depth) {
        static const std::vector<std::string> kTexts = {"w", " ", "\n", "x y", "&amp;", "&nbsp;", "\xC3\xA9"};
        static const std::vector<std::string> kVoid = {"<br>", "<br/>", "<hr>", "<img src=\"i\">", "<wbr>"};
        static const std::vector<std::string> kElements = {
            "a",          "abbr",   "b",     "big",        "cite",    "code",    "del",
            "dfn",        "em",     "i",     "ins",        "kbd",     "mark",    "q",
            "s",          "samp",   "small", "span",       "strike",  "sub",     "sup",
            "time",       "tt",     "u",     "var",        "address", "article", "aside",
            "blockquote", "center", "div",   "figcaption", "figure",  "footer",  "header",
            "main",       "nav",    "ol",    "p",          "section", "ul",      "h1",
            "h2",         "h3",     "h4",    "h5",         "h6",      "li",      "pre"};
        const std::size_t choice = Pick(10);
        if (choice < 3 || depth > 4) {
            html += kTexts[Pick(kTexts.size())];
        } else if (choice == 3) {
            html += kVoid[Pick(kVoid.size())];
        } else {
            const std::string& name = kElements[Pick(kElements.size())];
            html += "<" + name + (Pick(3) == 0 ? " class=\"c\">" : ">");
            AddChildren(html, depth + 1);
            if (Pick(12) != 0) html += "</" + name + ">";
        }
    }

    std::mt19937 random_;
};

TEST(PlainMarkup, ReadsRandomMarkupAsGumboDoesWhereverItAnswers) {
    RandomMarkup markup(27);
    std::size_t read = 0;
    for (int i = 0; i < 20000; ++i) read += ReadsAsGumbo(markup.Make()) ? 1 : 0;
    // Both kinds are tried: markup read quickly, and markup left to gumbo.
    EXPECT_GT(read, 2000u);
    EXPECT_LT(read, 18000u);
}

}  // namespace
}  // namespace qv::html
