// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "Pager.h"
#include "SiteTestSupport.h"

namespace qv::site {
namespace {

using test::Count;
using test::ReadAll;
using test::TempFolder;

const std::string kOnlyOurScript = "<script src=\"assets/search.js\" defer></script>";

// A photoset and an answer, the two kinds no sample page has, written the way
// the read API writes them.
const std::string kPhotoset =
    "<post id=\"900002\" url=\"http://made.example/post/900002\" type=\"photo\" date-gmt=\"2012-05-01 "
    "10:00:00 GMT\" "
    "date=\"Tue, 01 May 2012 06:00:00\" unix-timestamp=\"1335866400\" width=\"1280\" height=\"960\">"
    "<photo-caption>&lt;p&gt;Two views of the harbour&lt;/p&gt;</photo-caption><photoset>"
    "<photo offset=\"o1\" caption=\"Morning &amp;amp; mist\" width=\"1280\" height=\"960\">"
    "<photo-url max-width=\"1280\">http://media.example/set1_1280.jpg</photo-url>"
    "<photo-url max-width=\"500\">http://media.example/set1_500.jpg</photo-url></photo>"
    "<photo offset=\"o2\" caption=\"\" width=\"400\" height=\"600\">"
    "<photo-url max-width=\"1280\">http://media.example/set2_1280.jpg</photo-url>"
    "<photo-url max-width=\"500\">http://media.example/set2_500.jpg</photo-url></photo></photoset>"
    "<photo-url max-width=\"1280\">http://media.example/set1_1280.jpg</photo-url><tag>Harbour "
    "Views</tag></post>";
const std::string kAnswer =
    "<post id=\"900001\" url=\"http://made.example/post/900001\" type=\"answer\" date-gmt=\"2012-04-30 "
    "09:00:00 GMT\" "
    "date=\"Mon, 30 Apr 2012 05:00:00\" unix-timestamp=\"1335776400\"><question>Is the "
    "&lt;b&gt;lighthouse&lt;/b&gt; "
    "still lit?</question><answer>&lt;p&gt;Every night since 1887.&lt;/p&gt;</answer></post>";

// Players no sample page has: another site's sound, and films of the
// service's own, one kept and one not.
const std::string kSoundCloudAudio =
    "<post id=\"900003\" url=\"http://made.example/post/900003\" type=\"audio\" date-gmt=\"2012-05-02 "
    "10:00:00 GMT\"><audio-caption>A song from elsewhere</audio-caption><audio-player>&lt;iframe "
    "width=\"500\" height=\"150\" scrolling=\"no\" "
    "src=\"https://w.soundcloud.com/player/?url=https%3A%2F%2Fapi.soundcloud.com%2Ftracks%2F29363464&amp;amp;"
    "visual=true\"&gt;&lt;/iframe&gt;</audio-player></post>";
std::string HostedVideo(const std::string& id, const std::string& name) {
    return "<post id=\"" + id + "\" url=\"http://made.example/post/" + id +
           "\" type=\"video\" date-gmt=\"2012-05-03 10:00:00 GMT\"><video-caption>The harbour at " + name +
           "</video-caption><video-player>&lt;video width=\"400\" height=\"225\" controls&gt;&lt;source "
           "src=\"https://made.example/video_file/" +
           id + "/" + name + "\" type=\"video/mp4\"&gt;&lt;/video&gt;</video-player></post>";
}

std::string Between(const std::string& text, const std::string& from, const std::string& to) {
    const std::size_t start = text.find(from);
    if (start == std::string::npos) return "";
    const std::size_t end = text.find(to, start + from.size());
    return text.substr(start + from.size(),
                       end == std::string::npos ? std::string::npos : end - start - from.size());
}

class SitePages : public ::testing::Test {
protected:
    std::string Page(const std::string& page) const { return ReadAll(folder_.File("blog.html/" + page)); }

    TempFolder folder_;
};

TEST_F(SitePages, EveryPostTypeOfTheSamplePagesHasItsOwnMarkup) {
    const SiteResult site = test::MakeSite(folder_, test::Fixture("06-all-seven-post-types-2008.xml"));
    ASSERT_TRUE(site.status.ok()) << site.status.text();
    EXPECT_EQ(site.posts, 7u);
    EXPECT_EQ(site.indexFile,
              std::filesystem::absolute(folder_.File("blog.html/index.html")).lexically_normal());

    const std::string video = Page("post/59615461.html");
    EXPECT_NE(
        video.find(
            "<div class=\"player\"><a class=\"player-link\" href=\"http://vimeo.com/2230644\"><span "
            "class=\"original-label\"><span class=\"site-name\">Vimeo</span>: original</span></a></div>"),
        std::string::npos)
        << video;
    EXPECT_NE(video.find("Alexander stuff"), std::string::npos);
    EXPECT_EQ(Count(video, "<object"), 0u);
    EXPECT_EQ(Count(video, "<embed"), 0u);

    const std::string audio = Page("post/59615178.html");
    EXPECT_NE(audio.find("Buuuu Bam! <b>BOLD</b>"), std::string::npos);
    EXPECT_NE(audio.find("href=\"http://www.tumblr.com/audio_file/59615178/KZPtOc3DXg9y14ryuqr0XWZH\""),
              std::string::npos);
    EXPECT_NE(audio.find("Sound not kept offline"), std::string::npos);
    EXPECT_EQ(Count(audio, "<audio"), 0u);

    const std::string chat = Page("post/59614936.html");
    EXPECT_NE(chat.find("<h2 class=\"post-title\"><a href=\"post/59614936.html\">I am a scawy man</a></h2>"),
              std::string::npos);
    EXPECT_NE(chat.find("<li><span class=\"speaker\">Tim:</span> Hey dude make me a website</li>"),
              std::string::npos);
    EXPECT_NE(chat.find("<li><span class=\"speaker\">Me:</span> Okay, sorry sir.</li>"), std::string::npos);
    EXPECT_EQ(Count(chat, "class=\"speaker\""), 4u);

    EXPECT_NE(Page("post/59614844.html").find("<a href=\"http://www.iampoz.com/\">iampoz.com</a>"),
              std::string::npos);

    const std::string quote = Page("post/59614784.html");
    EXPECT_NE(
        quote.find("<blockquote class=\"quote-text\">To be or not to be that is the question!</blockquote>"),
        std::string::npos);
    EXPECT_NE(quote.find("<p class=\"quote-source\">source?</p>"), std::string::npos);

    const std::string photo = Page("post/59614715.html");
    EXPECT_NE(photo.find("href=\"http://data.tumblr.com/KZPtOc3DXg9xvo0gtwOrsrpPo1_500.jpg\""),
              std::string::npos)
        << "the largest picture stands in for the photo";
    EXPECT_NE(photo.find("Picture of the coast"), std::string::npos);
    EXPECT_EQ(Count(photo, "<img"), 0u);

    const std::string text = Page("post/59614563.html");
    EXPECT_NE(text.find("<title>Title to my text!! \xC2\xB7 Untitled</title>"), std::string::npos);
    EXPECT_NE(text.find("This is somee crazy stuff.. Yadda yadda\xE2\x80\xA6"), std::string::npos);
    // The post's date, type, own address and neighbours.
    EXPECT_NE(text.find("<time datetime=\"2008-11-14T05:32:22Z\">14 November 2008, 00:32</time>"),
              std::string::npos);
    EXPECT_NE(text.find("<span class=\"post-type\">Text</span>"), std::string::npos);
    EXPECT_NE(text.find("href=\"http://jpoz.tumblr.com/post/59614563\">This post on the blog</a>"),
              std::string::npos);
    EXPECT_NE(text.find("<a class=\"newer\" rel=\"prev\" href=\"post/59614715.html\">"), std::string::npos);
    EXPECT_EQ(Count(text, "class=\"older\""), 0u) << "the oldest post has no older one";
    EXPECT_NE(text.find("<base href=\"../\">"), std::string::npos);
}

TEST_F(SitePages, ThePhotosetAndTheAnswerNoSamplePageHasAreShownToo) {
    const SiteResult site = test::MakeSite(folder_, test::BackupOf({kPhotoset, kAnswer}), true);
    ASSERT_TRUE(site.status.ok()) << site.status.text();

    const std::string photoset = Page("post/900002.html");
    EXPECT_NE(photoset.find("<span class=\"post-type\">Photos</span>"), std::string::npos);
    EXPECT_NE(photoset.find(
                  "<img src=\"http://media.example/set1_1280.jpg\" alt=\"Morning &amp; mist\" width=\"1280\" "
                  "height=\"960\""),
              std::string::npos)
        << photoset;
    EXPECT_NE(
        photoset.find("<img src=\"http://media.example/set2_1280.jpg\" alt=\"Two views of the harbour\" "
                      "width=\"400\" height=\"600\""),
        std::string::npos);
    EXPECT_NE(photoset.find("<figcaption>Morning &amp; mist</figcaption>"), std::string::npos);
    EXPECT_NE(photoset.find("<p>Two views of the harbour</p>"), std::string::npos);
    EXPECT_NE(
        photoset.find("img-src &apos;self&apos; data: http: https:; media-src &apos;self&apos; http: https:"),
        std::string::npos)
        << "the reader allowed it";

    const std::string answer = Page("post/900001.html");
    EXPECT_NE(answer.find("<div class=\"question\">Is the <b>lighthouse</b> still lit?</div>"),
              std::string::npos);
    EXPECT_NE(answer.find("<div class=\"answer\"><p>Every night since 1887.</p></div>"), std::string::npos);
    EXPECT_NE(answer.find("<title>Is the lighthouse still lit? \xC2\xB7 Made-up blog</title>"),
              std::string::npos);

    // A tag that is not a plain name gets a page of its own name and a hash.
    const std::string tags = Page("tags.html");
    const std::string tagPage = Between(tags, "<li><a href=\"", "\">#Harbour Views</a>");
    EXPECT_TRUE(std::regex_match(tagPage, std::regex("tag/harbour-views-[0-9a-f]{12}\\.html"))) << tagPage;
    EXPECT_NE(Page(tagPage).find("<h1 class=\"list-heading\">#Harbour Views</h1>"), std::string::npos);
}

TEST_F(SitePages, KeptMediaAreShownFromTheMediaFolderAndNothingElseLoads) {
    test::WriteMediaFolder(
        folder_.File("blog.media"),
        {{"http://data.tumblr.com/KZPtOc3DXg9xvo0gtwOrsrpPo1_250.jpg",
          {"coast_250.png", test::Png(250, 180, 30, 120, 200)}},
         {"http://www.tumblr.com/audio_file/59615178/KZPtOc3DXg9y14ryuqr0XWZH",
          {"KZPtOc3DXg9y14ryuqr0XWZH.mp3", "ID3 not really sound"}},
         {"http://media.example/set2_500.jpg", {"set2_500.png", test::Png(50, 75, 0, 0, 0)}},
         {"https://made.example/video_file/900004/dawn", {"dawn.mp4", "not really a film"}}});
    std::string backup = test::Fixture("06-all-seven-post-types-2008.xml");
    backup.insert(backup.find("</posts>"),
                  kPhotoset + HostedVideo("900004", "dawn") + HostedVideo("900005", "dusk"));
    const SiteResult site = test::MakeSite(folder_, backup);
    ASSERT_TRUE(site.status.ok()) << site.status.text();

    // The kept copy wins over a larger picture that is not kept, with its own size.
    const std::string photo = Page("post/59614715.html");
    EXPECT_NE(
        photo.find("<img src=\"../blog.media/coast_250.png\" alt=\"Picture of the coast\" width=\"250\" "
                   "height=\"180\""),
        std::string::npos)
        << photo;
    EXPECT_NE(Page("index.html").find("<img src=\"../blog.media/coast_250.png\""), std::string::npos);
    EXPECT_NE(
        Page("post/59615178.html")
            .find(
                "<audio controls=\"\" preload=\"none\" src=\"../blog.media/KZPtOc3DXg9y14ryuqr0XWZH.mp3\">"),
        std::string::npos);
    const std::string photoset = Page("post/900002.html");
    EXPECT_NE(
        photoset.find("<img src=\"../blog.media/set2_500.png\" alt=\"Two views of the harbour\" width=\"50\" "
                      "height=\"75\""),
        std::string::npos)
        << photoset;
    EXPECT_NE(photoset.find("<span class=\"media-label\">Picture not kept offline</span>"),
              std::string::npos);
    // A film of the service's plays from its kept copy, its original beside it.
    EXPECT_NE(Page("post/900004.html")
                  .find("<div class=\"player\"><video controls=\"\" preload=\"metadata\" "
                        "src=\"../blog.media/dawn.mp4\"></video><a class=\"original-link\" "
                        "href=\"https://made.example/video_file/900004/dawn\"><span "
                        "class=\"original-label\"><span class=\"site-name\">made.example</span>: "
                        "original</span></a></div>"),
              std::string::npos)
        << Page("post/900004.html");
    EXPECT_NE(
        Page("post/900005.html")
            .find("<a class=\"media-missing\" href=\"https://made.example/video_file/900005/dusk\"><span "
                  "class=\"media-label\">Film not kept offline</span>"),
        std::string::npos);

    // Nothing on any page loads from the network: no remote source, only our own script.
    for (const auto& [page, text] : test::SiteFiles(folder_.File("blog.html"))) {
        if (!page.ends_with(".html")) continue;
        SCOPED_TRACE(page);
        EXPECT_EQ(Count(text, "src=\"http"), 0u);
        EXPECT_EQ(Count(text, "<script"), 1u);
        EXPECT_EQ(Count(text, kOnlyOurScript), 1u);
        EXPECT_NE(
            text.find(
                "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src &apos;none&apos;; "
                "script-src &apos;self&apos;; style-src &apos;self&apos;; img-src &apos;self&apos; data:; "
                "media-src &apos;self&apos;; base-uri &apos;self&apos;; form-action &apos;none&apos;\">"),
            std::string::npos);
    }
}

TEST_F(SitePages, IndexPagesListFiftyPostsNewestFirstWithAPagerAndNoPostTwice) {
    const SiteResult site = test::MakeSite(
        folder_, test::MergedBackup(
                     {"10-page1-start0-num50-total120.xml", "11-page2-start50-num50-total120.xml",
                      "12-page3-start100-last-20-posts.xml", "13-start119-num1-feed-imported-post.xml"}));
    ASSERT_TRUE(site.status.ok()) << site.status.text();
    EXPECT_EQ(site.posts, 120u) << "the oldest post is in two of the pages";

    const std::string first = Page("index.html");
    EXPECT_EQ(Count(first, "<article "), 50u);
    EXPECT_NE(first.find("<li><span class=\"current\" aria-current=\"page\">1</span></li>\n<li><a "
                         "href=\"page/2.html\">2</a></li>\n<li><a href=\"page/3.html\">3</a></li>"),
              std::string::npos)
        << first.substr(first.find("<nav class=\"pager\""));
    EXPECT_NE(first.find("<a class=\"older\" rel=\"next\" href=\"page/2.html\">"), std::string::npos);
    EXPECT_EQ(Count(first, "class=\"newer\""), 0u);
    EXPECT_LT(first.find("post/142005160.html"), first.find("post/142003723.html")) << "newest first";
    EXPECT_NE(first.find("<title>Jeff Kreeftmeijer</title>"), std::string::npos);

    const std::string second = Page("page/2.html");
    EXPECT_EQ(Count(second, "<article "), 50u);
    EXPECT_NE(second.find("<a class=\"newer\" rel=\"prev\" href=\"index.html\">"), std::string::npos);
    EXPECT_NE(second.find("<a class=\"older\" rel=\"next\" href=\"page/3.html\">"), std::string::npos);

    const std::string last = Page("page/3.html");
    EXPECT_EQ(Count(last, "<article "), 20u);
    EXPECT_EQ(Count(last, "class=\"older\""), 0u);
    EXPECT_NE(last.find("href=\"post/108796131.html\"", last.rfind("<article ")), std::string::npos)
        << "the oldest post ends the last page";
    EXPECT_FALSE(std::filesystem::exists(folder_.File("blog.html/page/4.html")));

    // Every post has its page, linked both ways to its neighbours.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.File("blog.html/post")),
                            std::filesystem::directory_iterator()),
              120);
    // Pages written on several threads at once get the mode any new file of the user's gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_.File("blog.html"))) {
        struct stat info {};
        ASSERT_EQ(::stat(entry.path().c_str(), &info), 0);
        if (S_ISREG(info.st_mode)) {
            EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << entry.path();
        }
    }
    // The archive lists the months with their counts, the month pages the posts.
    const std::string archive = Page("archive.html");
    EXPECT_NE(archive.find("<li><a href=\"month/2009-07.html\">July 2009</a>"), std::string::npos);
    EXPECT_NE(archive.find("<h2>2009</h2>"), std::string::npos);
    EXPECT_NE(Page("month/2009-05.html").find("<a href=\"post/108796131.html\">Just testing: idea?</a>"),
              std::string::npos);
}

TEST_F(SitePages, TagsMonthsAndTheBlogsOwnWordsAreOnTheirPages) {
    const SiteResult site =
        test::MakeSite(folder_, test::Fixture("08-anonymous-read-all-types-tags-2009.xml"));
    ASSERT_TRUE(site.status.ok()) << site.status.text();
    const std::string tags = Page("tags.html");
    EXPECT_NE(tags.find("<li><a href=\"tag/music.html\">#music</a> <span class=\"count\">1</span></li>"),
              std::string::npos);
    EXPECT_NE(tags.find("<li><a href=\"tag/sale.html\">#sale</a> <span class=\"count\">7</span></li>"),
              std::string::npos);
    const std::string sale = Page("tag/sale.html");
    EXPECT_EQ(Count(sale, "<li class=\"entry\">"), 7u);
    EXPECT_NE(sale.find("<a href=\"post/78841604.html\">public text post title</a>"), std::string::npos);
    EXPECT_NE(sale.find("<p class=\"list-count\">7 posts</p>"), std::string::npos);
    EXPECT_NE(
        Page("archive.html").find("<a href=\"month/2009-02.html\">February 2009</a> <span class=\"count\">7"),
        std::string::npos);
    EXPECT_NE(Page("post/78846368.html").find("<li><a href=\"tag/music.html\">#music</a></li>"),
              std::string::npos);

    // The search index knows each post's words and tags.
    const std::string search = Page("assets/search-index.js");
    EXPECT_NE(
        search.find("[\"post/78841604.html\",\"public text post title\",\"16 February 2009, 13:50\",\"public "
                    "text post title body sale\"]"),
        std::string::npos)
        << search;

    // The blog's description is sanitised HTML on every page.
    TempFolder other;
    ASSERT_TRUE(test::MakeSite(other, test::Fixture("01-default-page-20-mixed-posts-utf8.xml")).status.ok());
    EXPECT_NE(ReadAll(other.File("blog.html/tags.html"))
                  .find("<div class=\"blog-description\">Collected visual and aural interests of <a "
                        "href=\"http://markwunsch.com\">Mark Wunsch</a>.</div>"),
              std::string::npos);
}

TEST_F(SitePages, OtherSitesPlayersAreALinkToTheOriginalNamedBySite) {
    std::string backup = test::Fixture("02-type-video-num5-posts-type-attr.xml");
    // Without its address, the last film is known by its Flash player's.
    const std::size_t source = backup.rfind("<video-source>");
    backup.erase(source, backup.find("</video-source>", source) + 15 - source);
    backup.insert(backup.find("</posts>"), kSoundCloudAudio);
    const SiteResult site = test::MakeSite(folder_, backup);
    ASSERT_TRUE(site.status.ok()) << site.status.text();

    const auto link = [](const std::string& href, const std::string& name) {
        return "<a class=\"player-link\" href=\"" + href +
               "\"><span class=\"original-label\"><span class=\"site-name\">" + name +
               "</span>: original</span></a>";
    };
    EXPECT_NE(Page("post/385851242.html").find(link("http://www.youtube.com/watch?v=i7CgL7c4LeE", "YouTube")),
              std::string::npos);
    EXPECT_NE(
        Page("post/354629654.html").find(link("https://www.youtube.com/watch?v=D0NbGbZBPL0", "YouTube")),
        std::string::npos)
        << Page("post/354629654.html");
    EXPECT_NE(Page("post/900003.html")
                  .find(link("https://w.soundcloud.com/player/"
                             "?url=https%3A%2F%2Fapi.soundcloud.com%2Ftracks%2F29363464&amp;visual=true",
                             "SoundCloud")),
              std::string::npos)
        << Page("post/900003.html");
    const std::string index = Page("index.html");
    EXPECT_EQ(Count(index, "class=\"player-link\""), 6u);
    for (const char* element : {"<iframe", "<object", "<embed"}) EXPECT_EQ(Count(index, element), 0u);
}

TEST_F(SitePages, TagsAreListedAsAPersonReadsThem) {
    const SiteResult site = test::MakeSite(
        folder_, test::BackupOf({"<post id=\"1\" url=\"http://made.example/post/1\" type=\"regular\">"
                                 "<regular-body>Tagged</regular-body><tag>tag10</tag><tag>Zebra</tag>"
                                 "<tag>Tag2</tag><tag>apple</tag><tag>tag1</tag><tag>tag2</tag></post>"}));
    ASSERT_TRUE(site.status.ok()) << site.status.text();
    const std::string tags = Page("tags.html");
    std::string order;
    const std::regex name("#([^<]+)</a>");
    for (std::sregex_iterator at(tags.begin(), tags.end(), name), end; at != end; ++at)
        order += (*at)[1].str() + " ";
    EXPECT_EQ(order, "apple tag1 Tag2 tag2 tag10 Zebra ");
}

TEST(Pager, NamesTheFirstTheLastAndTwoPagesEachSideOfTheCurrentWithGapsBetween) {
    using Numbers = std::vector<std::size_t>;
    EXPECT_EQ(PagerNumbers(1, 120), (Numbers{1, 2, 3, 0, 120}));
    EXPECT_EQ(PagerNumbers(5, 120), (Numbers{1, 2, 3, 4, 5, 6, 7, 0, 120})) << "a gap of one page names it";
    EXPECT_EQ(PagerNumbers(60, 120), (Numbers{1, 0, 58, 59, 60, 61, 62, 0, 120}));
    EXPECT_EQ(PagerNumbers(120, 120), (Numbers{1, 0, 118, 119, 120}));
    EXPECT_EQ(PagerNumbers(2, 3), (Numbers{1, 2, 3}));
    EXPECT_EQ(PagerNumbers(1, 1), (Numbers{1}));
}

TEST_F(SitePages, WhatIsNoBackupOrNotOursIsRefusedWithAReason) {
    test::WriteAll(folder_.File("page.xml"), test::Fixture("05-error-403-authentication-failed.txt"));
    SiteOptions options;
    options.backupFile = folder_.File("page.xml");
    SiteResult site = WriteSite(options);
    EXPECT_TRUE(site.status.Is(StatusKind::UnreadableXml)) << site.status.text();
    EXPECT_NE(site.status.text().find(folder_.File("page.xml")), std::string::npos) << site.status.text();

    test::WriteAll(folder_.File("other.xml"), "<rss version=\"2.0\"><channel/></rss>");
    options.backupFile = folder_.File("other.xml");
    site = WriteSite(options);
    EXPECT_TRUE(site.status.Is(StatusKind::NotBlogXml)) << site.status.text();

    // A folder of the user's is never written into.
    std::filesystem::create_directory(folder_.File("blog.html"));
    test::WriteAll(folder_.File("blog.html/index.html"), "my own page");
    site = test::MakeSite(folder_, test::Fixture("04-single-post-total1-empty-tumblelog.xml"));
    EXPECT_TRUE(site.status.Is(StatusKind::FileSystem)) << site.status.text();
    EXPECT_EQ(ReadAll(folder_.File("blog.html/index.html")), "my own page");
}

}  // namespace
}  // namespace qv::site
