// SPDX-License-Identifier: GPL-3.0-or-later
// The site as a reader's browser shows it: headless Chromium opens the pages
// from file://, with the site's own security policy, scripts and media folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "Chromium.h"
#include "SiteTestSupport.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

// Each way a post's HTML could run code sets the same marker on the page.
const std::string kHostilePost =
    "<post id=\"300000000\" url=\"http://hostile.example/post/300000000\" type=\"regular\" "
    "date-gmt=\"2009-07-16 10:00:00 GMT\" date=\"Thu, 16 Jul 2009 06:00:00\" unix-timestamp=\"1247738400\">"
    "<regular-title>A post that tries everything</regular-title><regular-body>"
    "&lt;p&gt;Reblogged from someone hostile.&lt;/p&gt;"
    "&lt;p&gt;\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2 "
    "\xCE\x91\xCE\x98\xCE\x97\xCE\x9D\xCE\x91&lt;/p&gt;"
    "&lt;script&gt;document.documentElement.dataset.pwned = 'script';&lt;/script&gt;"
    "&lt;img src=\"x\" onerror=\"document.documentElement.dataset.pwned = 'onerror'\"&gt;"
    "&lt;a id=\"bait\" href=\"javascript:document.documentElement.dataset.pwned = 'link'\"&gt;click "
    "me&lt;/a&gt;"
    "&lt;svg&gt;&lt;script&gt;document.documentElement.dataset.pwned = 'svg';&lt;/script&gt;&lt;/svg&gt;"
    "&lt;iframe srcdoc=\"&amp;lt;script&amp;gt;parent.document.documentElement.dataset.pwned = "
    "'frame'&amp;lt;/script&amp;gt;\"&gt;&lt;/iframe&gt;"
    "&lt;div onmouseover=\"document.documentElement.dataset.pwned = 'event'\"&gt;hover&lt;/div&gt;"
    "</regular-body></post>";

// Loaded into copies of pages: clicks every javascript: link there is, then
// notes the pictures as the browser loaded them.
const std::string kProbe = R"(window.addEventListener('load', function () {
  var clicked = 0;
  Array.prototype.forEach.call(document.querySelectorAll('a'), function (link) {
    if (link.protocol === 'javascript:') { link.click(); clicked++; }
  });
  Array.prototype.forEach.call(document.querySelectorAll('[onmouseover]'), function (node) {
    node.dispatchEvent(new MouseEvent('mouseover'));
  });
  setTimeout(function () {
    var root = document.documentElement;
    root.dataset.clicked = String(clicked);
    root.dataset.pictures = Array.prototype.map.call(document.images, function (image) {
      return image.getAttribute('src') + '=' + image.naturalWidth + 'x' + image.naturalHeight;
    }).join(' ');
  }, 200);
});
)";

std::size_t Count(const std::string& text, const std::string& part) { return test::Count(text, part); }

class SiteInBrowser : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (Chromium::Executable().empty()) return;
        folder_ = new TempFolder();
        // The real sample pages, newest first, with a hostile post on top.
        std::string backup =
            MergedBackup({"10-page1-start0-num50-total120.xml", "11-page2-start50-num50-total120.xml",
                          "12-page3-start100-last-20-posts.xml", "06-all-seven-post-types-2008.xml"});
        backup.insert(backup.find("<post "), kHostilePost);
        WriteMediaFolder(folder_->File("blog.media"),
                         {{"http://data.tumblr.com/KZPtOc3DXg9xvo0gtwOrsrpPo1_500.jpg",
                           {"coast_500.png", Png(500, 320, Colour{120, 180, 230}, Colour{20, 60, 110})}}});
        const site::SiteResult site = MakeSite(*folder_, backup);
        ASSERT_TRUE(site.status.ok()) << site.status.text();
        WriteAll(folder_->File("blog.html/assets/probe.js"), kProbe);
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }

    void SetUp() override {
        if (Chromium::Executable().empty())
            GTEST_SKIP() << "no chromium here (/usr/bin/chromium; 'scripts/setup --test' installs it)";
        chromium_ = std::make_unique<Chromium>(Chromium::Executable());
    }

    static std::string Site(const std::string& page) { return folder_->File("blog.html/" + page); }

    // A copy of `page` that also loads the probe.
    static std::string Probed(const std::string& page) {
        std::string text = ReadAll(Site(page));
        text.insert(text.find("</head>"), "<script src=\"assets/probe.js\"></script>\n");
        const std::string copy =
            page.substr(0, page.rfind('/') + 1) + "probed-" + page.substr(page.rfind('/') + 1);
        WriteAll(Site(copy), text);
        return copy;
    }

    static TempFolder* folder_;
    std::unique_ptr<Chromium> chromium_;
};

TempFolder* SiteInBrowser::folder_ = nullptr;

TEST_F(SiteInBrowser, TheIndexShowsFiftyPostsAndItsPagerReachesTheLastPost) {
    std::string page = "index.html";
    std::string dom;
    std::size_t pages = 0;
    const std::regex older("<a class=\"older\" rel=\"next\" href=\"([^\"]+)\">");
    for (;;) {
        dom = chromium_->DumpDom(FileUrl(Site(page)), 1000);
        ++pages;
        if (pages == 1) {
            EXPECT_EQ(Count(dom, "<article "), 50u);
            EXPECT_NE(dom.find("<span class=\"current\" aria-current=\"page\">1</span>"), std::string::npos);
            EXPECT_NE(dom.find("<a href=\"page/3.html\">3</a>"), std::string::npos)
                << "the last page is named";
        }
        std::smatch next;
        if (!std::regex_search(dom, next, older) || pages > 5) break;
        page = next[1];
    }
    EXPECT_EQ(pages, 3u);
    EXPECT_EQ(page, "page/3.html");
    EXPECT_EQ(Count(dom, "<article "), 28u);
    // The last post of the backup closes the last page.
    EXPECT_NE(dom.find("href=\"post/59614563.html\"", dom.rfind("<article ")), std::string::npos);
}

TEST_F(SiteInBrowser, APostPageShowsItsPictureFromTheMediaFolder) {
    const std::string dom =
        chromium_->DumpDom(FileUrl(Site(Probed("post/59614715.html"))), 3000, "1200,3000");
    EXPECT_NE(dom.find("data-pictures=\"../blog.media/coast_500.png=500x320\""), std::string::npos) << dom;
}

TEST_F(SiteInBrowser, SearchFindsAPostOnTheLastPageByAWordOfItsBody) {
    const std::string dom = chromium_->DumpDom(FileUrl(Site("index.html")) + "?q=Paintball", 5000);
    const std::size_t results = dom.find("<section id=\"search-results\"");
    ASSERT_NE(results, std::string::npos) << dom;
    const std::string found = dom.substr(results);
    EXPECT_EQ(found.substr(0, found.find('>')).find("hidden"), std::string::npos) << "the results are shown";
    EXPECT_NE(found.find("1 post with \xE2\x80\x9cPaintball\xE2\x80\x9d"), std::string::npos) << found;
    EXPECT_NE(found.find("href=\"post/109949120.html\""), std::string::npos) << found;
    EXPECT_NE(dom.find("<main id=\"content\" class=\"column\" hidden=\"\">"), std::string::npos)
        << "the list gives way to the results";

    const std::string month = chromium_->DumpDom(FileUrl(Site("month/2009-07.html")) + "?q=paintball", 5000);
    EXPECT_NE(month.find("href=\"post/109949120.html\""), std::string::npos)
        << "the search works from pages a folder down too";

    // Capitals of other scripts than Latin are found by their small letters.
    for (const std::string query :
         {"%D0%BF%D1%80%D0%B8%D0%B2%D0%B5%D1%82", "%CE%B1%CE%B8%CE%B7%CE%BD%CE%B1"}) {
        const std::string page = chromium_->DumpDom(FileUrl(Site("index.html")) + "?q=" + query, 5000);
        const std::size_t shown = page.find("<section id=\"search-results\"");
        ASSERT_NE(shown, std::string::npos) << page;
        EXPECT_NE(page.find("href=\"post/300000000.html\"", shown), std::string::npos) << page.substr(shown);
    }
}

TEST_F(SiteInBrowser, AHostilePostRunsNoneOfItsScriptsHandlersOrLinks) {
    for (const std::string& page : {std::string("index.html"), std::string("post/300000000.html")}) {
        SCOPED_TRACE(page);
        const std::string dom = chromium_->DumpDom(FileUrl(Site(Probed(page))), 3000);
        EXPECT_NE(dom.find("data-clicked=\"0\""), std::string::npos)
            << "no javascript: link is left to click";
        EXPECT_NE(dom.find("Reblogged from someone hostile."), std::string::npos);
        EXPECT_NE(dom.find("click me"), std::string::npos);
        EXPECT_EQ(dom.find("data-pwned"), std::string::npos) << dom;
        EXPECT_EQ(Count(dom, "<script"), 2u) << "ours and the probe";
        EXPECT_EQ(Count(dom, "<iframe"), 0u);
    }
}

TEST_F(SiteInBrowser, OnAPhoneNoPostIsWiderThanTheScreenAndThePagerKeepsItsNumbersInOneRow) {
    TempFolder folder;
    std::string cells;
    for (int i = 0; i < 12; ++i) cells += "&lt;td&gt;a cell of a wide table&lt;/td&gt;";
    const std::string wide =
        "<post id=\"7\" url=\"http://blog.example/post/7\" type=\"regular\" date-gmt=\"2009-07-16 10:00:00 "
        "GMT\">"
        "<regular-body>&lt;table&gt;&lt;tr&gt;" +
        cells + "&lt;/tr&gt;&lt;/table&gt;&lt;pre&gt;" + std::string(300, 'x') + "&lt;/pre&gt;&lt;p&gt;" +
        std::string(300, 'y') +
        "&lt;/p&gt;&lt;img "
        "src=\"data:image/png;base64,iVBORw0KGgo=\" width=\"3000\" height=\"10\"&gt;</regular-body></post>";
    // Enough posts after it for a pager with gaps on both sides of page 6: 1 … 4 5 6 7 8 … 13.
    std::vector<std::string> posts = {wide};
    for (int i = 0; i < 600; ++i)
        posts.push_back("<post id=\"" + std::to_string(1000 + i) +
                        "\" type=\"regular\"><regular-body>Short</regular-body></post>");
    ASSERT_TRUE(MakeSite(folder, BackupOf(posts)).status.ok());
    // How far the page scrolls sideways; the rows the pager's numbers take, and the lines of Newer and Older.
    WriteAll(folder.File("blog.html/assets/probe.js"), R"(window.addEventListener('load', function () {
  var root = document.documentElement;
  root.dataset.overflow = String(root.scrollWidth - root.clientWidth);
  var pager = document.querySelector('.pager');
  if (!pager) return;
  // Boxes that overlap from top to bottom share a row (a glyph of another font sits a little higher).
  function rows(boxes) {
    var count = 0, bottom = -Infinity;
    Array.prototype.slice.call(boxes).sort(function (a, b) { return a.top - b.top; }).forEach(function (box) {
      if (box.top >= bottom - 1) {
        count++;
        bottom = box.bottom;
      } else {
        bottom = Math.max(bottom, box.bottom);
      }
    });
    return count;
  }
  var counts = [rows(Array.prototype.map.call(pager.querySelectorAll('li'), function (item) {
    return item.getBoundingClientRect();
  }))];
  pager.querySelectorAll('.newer, .older').forEach(function (link) {
    var words = document.createRange();
    words.selectNodeContents(link);
    counts.push(rows(words.getClientRects()));
  });
  root.dataset.pager = counts.join(' ');
});
)");
    for (const std::string page : {"index.html", "post/7.html", "page/6.html"}) {
        std::string text = ReadAll(folder.File("blog.html/" + page));
        text.insert(text.find("</head>"), "<script src=\"assets/probe.js\"></script>\n");
        WriteAll(folder.File("blog.html/" + page), text);
        const std::string dom =
            chromium_->DumpDom(FileUrl(folder.File("blog.html/" + page)), 1000, "390,900");
        const std::string head = page + ": " + dom.substr(0, dom.find("<body"));
        EXPECT_NE(dom.find("data-overflow=\"0\""), std::string::npos) << head;
        if (page == "page/6.html") {
            EXPECT_NE(dom.find("data-pager=\"1 1 1\""), std::string::npos) << head;
        }
    }
}

TEST_F(SiteInBrowser, ScreenshotsOfAnIndexPageAndAPostPage) {
    // The blog with the richest sample page, and its photos kept.
    TempFolder folder;
    std::map<std::string, std::pair<std::string, std::string>> kept = {
        {"http://26.media.tumblr.com/tumblr_kycrwiQSqF1qzykueo1_250.jpg",
         {"polyhedra_250.png", Png(250, 250, Colour{250, 200, 120}, Colour{190, 80, 60})}}};
    WriteMediaFolder(folder.File("blog.media"), kept);
    ASSERT_TRUE(MakeSite(folder, Fixture("01-default-page-20-mixed-posts-utf8.xml")).status.ok());

    const fs::path shots = QV_SCREENSHOT_DIR;
    fs::create_directories(shots);
    EXPECT_TRUE(chromium_->Screenshot(FileUrl(folder.File("blog.html/index.html")),
                                      (shots / "site-index.png").string(), 1100, 1500));
    EXPECT_TRUE(chromium_->Screenshot(FileUrl(folder.File("blog.html/post/409216752.html")),
                                      (shots / "site-post.png").string(), 900, 1300));
    EXPECT_EQ(ReadAll((shots / "site-index.png").string()).substr(0, 8), "\x89PNG\r\n\x1a\n");
}

}  // namespace
}  // namespace qv::test
