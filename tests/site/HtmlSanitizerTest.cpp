// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "HtmlSanitizer.h"
#include "MediaCatalog.h"
#include "MediaLinks.h"
#include "SiteTestSupport.h"
#include "TempFolder.h"
#include "UrlPolicy.h"
#include "html/HtmlFragment.h"
#include "html/WebAddress.h"

namespace qv::site {
namespace {

using html::Node;

const std::string kPost = "http://blog.example/post/123/a-slug";

// What must never reach a page, however the post's HTML was written.
void ExpectSafe(const std::string& cleaned, const std::string& input) {
    static const std::array<std::string_view, 20> kForbidden = {
        "script", "style", "iframe", "object", "embed", "form",  "input",    "button",   "textarea", "select",
        "svg",    "math",  "base",   "meta",   "link",  "frame", "template", "noscript", "applet",   "xmp"};
    std::vector<const Node*> pending;
    const html::HtmlFragment parsed = html::HtmlFragment::Parse(cleaned);
    for (const Node& node : parsed.Nodes()) pending.push_back(&node);
    while (!pending.empty()) {
        const Node* node = pending.back();
        pending.pop_back();
        if (!node->IsElement()) continue;
        EXPECT_EQ(std::find(kForbidden.begin(), kForbidden.end(), node->name), kForbidden.end())
            << node->name << " from " << input;
        for (const html::Attribute& attribute : node->attributes) {
            EXPECT_FALSE(attribute.name.starts_with("on")) << attribute.name << " from " << input;
            EXPECT_NE(attribute.name, "style") << input;
            EXPECT_NE(attribute.name, "srcdoc") << input;
            if (attribute.name == "href" || attribute.name == "src" || attribute.name == "cite") {
                const std::string scheme = SchemeOf(html::CleanUrl(attribute.value));
                const bool web = scheme == "http" || scheme == "https" || scheme == "mailto";
                const bool inlinePicture = node->name == "img" && IsInlineImage(attribute.value);
                const bool kept = scheme.empty() && attribute.value.starts_with("../blog.media/");
                EXPECT_TRUE(web || inlinePicture || kept) << attribute.value << " from " << input;
            }
        }
        for (const Node& child : node->children) pending.push_back(&child);
    }
}

class SanitizerTest : public ::testing::Test {
protected:
    std::string Clean(const std::string& html, std::string* text = nullptr) {
        return sanitizer_.CleanHtml(html, kPost, text);
    }

    test::TempFolder folder_;
    MediaCatalog catalog_;
    MediaLinks media_{catalog_, folder_.File("blog.media"), "../blog.media/", false};
    HtmlSanitizer sanitizer_{media_};
};

TEST_F(SanitizerTest, HostileHtmlLosesEveryWayToRunCodeOrLoadAPage) {
    const std::vector<std::string> hostile = {
        "<script>document.title='x'</script>after",
        "<SCRIPT SRC=//evil.example/x.js></SCRIPT>",
        "<img src=x onerror=\"document.title='x'\">",
        "<img src=\"javascript:alert(1)\">",
        "<a href=\"javascript:alert(1)\">a</a>",
        "<a href=\"JaVaScRiPt:alert(1)\">b</a>",
        "<a href=\"  java&#x09;script:alert(1)\">c</a>",
        "<a href=\"&#x6A;avascript:alert(1)\">d</a>",
        "<a href=\"\x01javascript:alert(1)\">e</a>",
        "<a href=\"vbscript:msgbox(1)\">f</a>",
        "<a href=\"data:text/html,<script>alert(1)</script>\">g</a>",
        "<img src=\"data:image/svg+xml,<svg onload=alert(1)>\">",
        "<iframe src=\"javascript:alert(1)\"></iframe>",
        "<iframe srcdoc=\"<script>alert(1)</script>\"></iframe>",
        "<object data=\"data:text/html,x\"></object><embed src=\"javascript:alert(1)\">",
        "<form action=\"http://evil.example\"><input name=q><button formaction=x>go</button></form>",
        "<style>body{display:none}</style><p style=\"position:fixed\">styled</p>",
        "<svg><script>alert(1)</script><a xlink:href=\"javascript:alert(1)\">s</a></svg>",
        "<math><mtext><table><mglyph><style><img src=x onerror=alert(1)>",
        "<noscript><p title=\"</noscript><img src=x onerror=alert(1)>\"></noscript>",
        "<template><img src=x onerror=alert(1)></template>",
        "<base href=\"http://evil.example/\"><meta http-equiv=\"refresh\" "
        "content=\"0;url=http://evil.example\">",
        "<link rel=stylesheet href=\"http://evil.example/x.css\">",
        "<div onclick=\"alert(1)\" onmouseover=alert(1)>div</div>",
        "<body onload=alert(1)>body",
        "<details open ontoggle=alert(1)>t</details>",
        "<!--><img src=x onerror=alert(1)>-->",
        "<a href=\"http://ok.example/\" target=_blank ping=\"http://evil.example\">ok</a>",
        "<xmp><img src=x onerror=alert(1)></xmp><plaintext><script>",
        "<table><tr><td background=\"javascript:alert(1)\">cell</td></tr></table>",
        "<blockquote cite=\"javascript:alert(1)\">q</blockquote>",
        "<video src=x onerror=alert(1)></video><audio><source src=\"javascript:alert(1)\"></audio>",
    };
    for (const std::string& input : hostile) {
        const std::string cleaned = Clean(input);
        ExpectSafe(cleaned, input);
    }
    // Text survives where there is text to read.
    EXPECT_EQ(Clean("<script>document.title='x'</script>after"), "after");
    EXPECT_EQ(Clean("<a href=\"javascript:alert(1)\">a</a>"), "a");
    EXPECT_EQ(Clean("<div onclick=\"alert(1)\">div</div>"), "<div>div</div>");
    EXPECT_EQ(Clean("<p style=\"position:fixed\" class=\"x\" id=\"y\">styled</p>"), "<p>styled</p>");
}

TEST_F(SanitizerTest, FormattingLinksAndListsAreKeptWithTheirSafeAttributes) {
    EXPECT_EQ(
        Clean("<p>I said <a href=\"http://twitter.example/x\" title=\"T\">that</a>, <em>really</em>.</p>"),
        "<p>I said <a href=\"http://twitter.example/x\" title=\"T\">that</a>, <em>really</em>.</p>");
    EXPECT_EQ(Clean("<ol start=\"3\" type=\"i\" onclick=x><li value=\"5x\">one</li></ol>"),
              "<ol start=\"3\" type=\"i\"><li>one</li></ol>");
    EXPECT_EQ(
        Clean(
            "<blockquote cite=\"http://a.example/q\"><p>q</p></blockquote><pre><code>x &lt; y</code></pre>"),
        "<blockquote cite=\"http://a.example/q\"><p>q</p></blockquote><pre><code>x &lt; y</code></pre>");
    EXPECT_EQ(Clean("<font color=red><center>big</center></font>"), "<center>big</center>");
    EXPECT_EQ(Clean("<a href=\"mailto:me@example.org\">mail</a>"),
              "<a href=\"mailto:me@example.org\">mail</a>");
    // Plain text needs no parser but is still text.
    EXPECT_EQ(Clean("just words"), "just words");
}

TEST_F(SanitizerTest, RelativeAddressesAreReadOnThePostsOwnPage) {
    EXPECT_EQ(Clean("<a href=\"/tagged/music\">t</a>"), "<a href=\"http://blog.example/tagged/music\">t</a>");
    EXPECT_EQ(Clean("<a href=\"other\">o</a>"), "<a href=\"http://blog.example/post/123/other\">o</a>");
    EXPECT_EQ(Clean("<a href=\"//cdn.example/x\">c</a>"), "<a href=\"http://cdn.example/x\">c</a>");
    EXPECT_EQ(sanitizer_.CleanHtml("<a href=\"/x\">x</a>", ""), "x");
}

TEST_F(SanitizerTest, OtherSitesPlayersBecomeALinkToTheOriginalNamedBySite) {
    const auto link = [](const std::string& href, const std::string& site) {
        return "<a class=\"player-link\" href=\"" + href +
               "\"><span class=\"original-label\"><span class=\"site-name\">" + site +
               "</span>: original</span></a>";
    };
    EXPECT_EQ(Clean("<iframe src=\"https://www.youtube.com/embed/i7CgL7c4LeE?rel=0\" onload=x></iframe>"),
              link("https://www.youtube.com/watch?v=i7CgL7c4LeE", "YouTube"));
    EXPECT_EQ(Clean("<iframe src=\"https://open.spotify.com/embed/track/4uLU6hMCjMI75M1A2tKUQC\"></iframe>"),
              link("https://open.spotify.com/track/4uLU6hMCjMI75M1A2tKUQC", "Spotify"));
    EXPECT_EQ(Clean("<iframe src=\"https://bandcamp.com/EmbeddedPlayer/album=1/size=large\">"
                    "<a href=\"https://band.bandcamp.com/album/x\">x</a></iframe>"),
              link("https://bandcamp.com/EmbeddedPlayer/album=1/size=large", "Bandcamp"));
    // A Flash player with no address of its own but its movie parameter, as the 2008 sample writes them.
    EXPECT_EQ(Clean("<object width=\"400\"><param name=\"movie\" value=\"http://vimeo.com/moogaloop.swf?"
                    "clip_id=2230644&amp;server=vimeo.com\"><embed src=\"http://vimeo.com/moogaloop.swf?"
                    "clip_id=2230644\" type=\"application/x-shockwave-flash\"></embed></object>"),
              link("https://vimeo.com/2230644", "Vimeo"));
    // Any other site by its host.
    EXPECT_EQ(Clean("<embed src=\"//www.video.example:8080/play?id=1\">"),
              link("http://www.video.example:8080/play?id=1", "video.example"));
}

TEST_F(SanitizerTest, PicturesThatAreNotKeptLoadNothingUnlessTheReaderAllowsIt) {
    const std::string cleaned = Clean("<img src=\"http://media.example/a/photo_500.jpg\" alt=\"A cat\">");
    EXPECT_EQ(cleaned.find("<img"), std::string::npos) << cleaned;
    EXPECT_NE(cleaned.find("href=\"http://media.example/a/photo_500.jpg\""), std::string::npos) << cleaned;
    EXPECT_NE(cleaned.find("photo_500.jpg</span>"), std::string::npos) << cleaned;

    const MediaLinks remote(catalog_, folder_.File("blog.media"), "../blog.media/", true);
    const HtmlSanitizer allowing(remote);
    EXPECT_EQ(allowing.CleanHtml("<img src=\"/a.png\" width=\"40\" height=\"30\" onload=x>", kPost),
              "<img src=\"http://blog.example/a.png\" alt=\"\" width=\"40\" height=\"30\" loading=\"lazy\" "
              "decoding=\"async\">");
    // A picture written into the post itself loads nothing from anywhere.
    EXPECT_EQ(Clean("<img src=\"data:image/png;base64,iVBORw0KGgo=\" alt=\"dot\">"),
              "<img src=\"data:image/png;base64,iVBORw0KGgo=\" alt=\"dot\">");

    // Inside a link the stand-ins are no links of their own, which a browser
    // would pull out of the link and leave it empty.
    const std::string linked = Clean(
        "<a href=\"http://full.example/big\"><img src=\"http://media.example/p_500.jpg\"> and "
        "<iframe src=\"https://video.example/embed/1\"></iframe></a>");
    const html::HtmlFragment reread = html::HtmlFragment::Parse(linked);
    ASSERT_EQ(reread.Nodes().size(), 1u) << linked;
    const Node& link = reread.Nodes()[0];
    ASSERT_TRUE(link.IsElement("a")) << linked;
    EXPECT_EQ(*link.FindAttribute("href"), "http://full.example/big");
    EXPECT_EQ(link.children.size(), 3u) << linked;
    EXPECT_EQ(test::Count(linked, "<a "), 1u) << linked;
    EXPECT_NE(
        linked.find("<span class=\"media-missing\"><span class=\"media-label\">Picture not kept offline"),
        std::string::npos)
        << linked;
    EXPECT_NE(linked.find("<span class=\"player-link\"><span class=\"original-label\"><span "
                          "class=\"site-name\">video.example</span>: original"),
              std::string::npos)
        << linked;
}

TEST_F(SanitizerTest, KeptPicturesComeFromTheMediaFolderWithTheirOwnSize) {
    test::WriteMediaFolder(folder_.File("blog.media"),
                           {{"http://media.example/cat.png", {"cat.png", test::Png(64, 48, 200, 80, 40)}},
                            {"http://media.example/gone.png", {"gone.png", ""}}});
    std::filesystem::remove(folder_.File("blog.media/gone.png"));
    const Status loaded = catalog_.Load(folder_.File("blog.media"));
    ASSERT_TRUE(loaded.ok()) << loaded.text();

    EXPECT_EQ(Clean("<img src=\"http://media.example/cat.png\" width=\"500\" height=\"10\">"),
              "<img src=\"../blog.media/cat.png\" alt=\"\" width=\"64\" height=\"48\" loading=\"lazy\" "
              "decoding=\"async\">");
    // A file the manifest promises but the folder lost is not shown as a broken picture.
    EXPECT_EQ(Clean("<img src=\"http://media.example/gone.png\">").find("<img"), std::string::npos);
    EXPECT_EQ(Clean("<video><source src=\"http://media.example/cat.png\"></video>"),
              "<video controls=\"\" preload=\"metadata\" src=\"../blog.media/cat.png\"></video>");
}

TEST_F(SanitizerTest, TheTextOfAPostIsCollectedWithBlocksApart) {
    std::string text;
    Clean("<p>One<b>word</b></p><p>two</p><script>hidden</script><img src=x alt=\"cat picture\">", &text);
    EXPECT_EQ(text, "Oneword two cat picture ");
    EXPECT_EQ(HtmlSanitizer::TextOf("Leonardo da Vinci&#8217;s <b>Polyhedra</b>"),
              "Leonardo da Vinci\xE2\x80\x99s Polyhedra");
    EXPECT_EQ(
        HtmlSanitizer::TextOf("<style>p{}</style>Title<script>steal()</script><svg><text>x</text></svg>"),
        "Title");
}

}  // namespace
}  // namespace qv::site
