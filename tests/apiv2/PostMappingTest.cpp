// SPDX-License-Identifier: GPL-3.0-or-later
// Posts of the v2 API, shaped as its public documentation shows them, become
// the very <post> elements the read API wrote for the same posts: compared
// element by element with a real read-API page that holds all seven types.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <string>

#include "MediaCollector.h"
#include "SameElement.h"
#include "Xml.h"
#include "apiv2/PostsPage.h"
#include "apiv2/ZoneOffsets.h"

namespace qv {
namespace {

using nlohmann::json;

pugi::xml_document LoadFixture(const std::string& name) {
    pugi::xml_document document;
    const std::string path = std::string(QV_FIXTURES_DIR) + "/" + name;
    EXPECT_TRUE(document.load_file(path.c_str())) << path;
    return document;
}

json Post(const std::string& type, long long id, const std::string& date, long long timestamp,
          std::vector<std::string> tags) {
    return {{"blog_name", "dummylog"},
            {"id", id},
            {"id_string", std::to_string(id)},
            {"post_url", "http://dummylog.tumblr.com/post/" + std::to_string(id)},
            {"type", type},
            {"date", date},
            {"timestamp", timestamp},
            {"state", "published"},
            {"tags", tags},
            {"note_count", 0}};
}

json Size(int width, const std::string& url) { return {{"width", width}, {"height", width * 3 / 4}, {"url", url}}; }

// The seven posts of the read API's sample page, as the v2 API lists them.
json AllSevenTypes(const pugi::xml_document& fixture) {
    // The players' HTML is long; it is the same HTML whichever API carries it.
    const std::string videoPlayer = PostById(fixture, "78846368").child_value("video-player");
    const std::string audioPlayer = PostById(fixture, "78846080").child_value("audio-player");

    json video = Post("video", 78846368, "2009-02-16 19:11:45 GMT", 1234811505, {"sale", "music"});
    video["caption"] = "public video post caption";
    video["permalink_url"] = "http://www.youtube.com/watch?v=rPaWZOM1LnY";
    video["player"] = json::array({{{"width", 250}, {"embed_code", "<object width=\"250\"></object>"}},
                                   {{"width", 400}, {"embed_code", videoPlayer}}});
    json audio = Post("audio", 78846080, "2009-02-16 19:10:20 GMT", 1234811420, {"sale"});
    audio["caption"] = "public audio post description";
    audio["player"] = audioPlayer;
    audio["plays"] = 0;
    json chat = Post("chat", 78844911, "2009-02-16 19:04:48 GMT", 1234811088, {"sale"});
    chat["title"] = "public chat post title";
    chat["body"] = "me: public\r\n    you: chat\r\n    me: post\r\n    you: dialogue";
    chat["dialogue"] = json::array({{{"label", "me:"}, {"name", "me"}, {"phrase", "public\r"}},
                                    {{"label", "you:"}, {"name", "you"}, {"phrase", "chat\r"}},
                                    {{"label", "me:"}, {"name", "me"}, {"phrase", "post\r"}},
                                    {{"label", "you:"}, {"name", "you"}, {"phrase", "dialogue"}}});
    json link = Post("link", 78844351, "2009-02-16 19:02:00 GMT", 1234810920, {"sale"});
    link["title"] = "public link post name";
    link["url"] = "http://www.google.com";
    link["description"] = "public link post description";
    json quote = Post("quote", 78844076, "2009-02-16 19:01:06 GMT", 1234810866, {"sale"});
    quote["text"] = "public quote post content";
    quote["source"] = "public quote post source";
    json text = Post("text", 78841604, "2009-02-16 18:50:00 GMT", 1234810200, {"sale"});
    text["title"] = "public text post title";
    text["body"] = "public text post body";
    json photo = Post("photo", 78841444, "2009-02-16 18:49:00 GMT", 1234810140, {"sale"});
    photo["caption"] = "public photo post";
    const std::string stem = "TofwJxqCAk11p5psVgVhLwzJo1_";
    photo["photos"] = json::array({{{"caption", ""},
                                    {"original_size", Size(500, "http://21.media.tumblr.com/" + stem + "500.jpg")},
                                    {"alt_sizes", json::array({Size(500, "http://21.media.tumblr.com/" + stem + "500.jpg"),
                                                               Size(400, "http://1.media.tumblr.com/" + stem + "400.jpg"),
                                                               Size(250, "http://22.media.tumblr.com/" + stem + "250.jpg"),
                                                               Size(100, "http://19.media.tumblr.com/" + stem + "100.jpg"),
                                                               Size(75, "http://2.media.tumblr.com/" + stem + "75sq.jpg")})}}});
    json blog = {{"name", "dummylog"},       {"title", "dummy tumblelog title"},
                 {"description", "dummylog description"}, {"timezone", "US/Eastern"},
                 {"posts", 7},               {"url", "http://dummylog.tumblr.com/"}};
    return {{"meta", {{"status", 200}, {"msg", "OK"}}},
            {"response",
             {{"blog", blog}, {"posts", json::array({video, audio, chat, link, quote, text, photo})}, {"total_posts", 7}}}};
}

// The zone the sample pages' blog wrote its dates in.
apiv2::PageContext EasternWinter() {
    apiv2::PageContext context;
    Result<apiv2::UtcOffset> zone = apiv2::SystemZoneOffsets("US/Eastern");
    EXPECT_TRUE(zone.ok()) << zone.status().text();
    if (zone) context.utcOffset = *zone;
    return context;
}

TEST(PostMapping, DatesAreWrittenAsEverySamplePageWroteThemInItsBlogsZone) {
    int dates = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QV_FIXTURES_DIR)) {
        if (entry.path().extension() != ".xml") continue;
        const pugi::xml_document fixture = LoadFixture(entry.path().filename().string());
        Result<apiv2::UtcOffset> zone =
            apiv2::SystemZoneOffsets(fixture.child("tumblr").child("tumblelog").attribute("timezone").value());
        ASSERT_TRUE(zone.ok()) << zone.status().text();
        apiv2::PageContext context;
        context.utcOffset = *zone;
        for (const pugi::xml_node post : fixture.child("tumblr").child("posts").children("post")) {
            const json minimal = {{"id_string", post.attribute("id").value()},
                                  {"type", "text"},
                                  {"timestamp", post.attribute("unix-timestamp").as_llong()}};
            pugi::xml_document mine;
            ASSERT_TRUE(mine.load_string(apiv2::PostXml(minimal.dump(), context)->c_str()));
            EXPECT_STREQ(mine.child("post").attribute("date-gmt").value(), post.attribute("date-gmt").value());
            EXPECT_STREQ(mine.child("post").attribute("date").value(), post.attribute("date").value())
                << entry.path().filename() << " " << post.attribute("id").value();
            ++dates;
        }
    }
    EXPECT_GT(dates, 150);

    EXPECT_EQ(apiv2::SystemZoneOffsets("../../etc/passwd").status().kind(), StatusKind::Usage);
    EXPECT_EQ(apiv2::SystemZoneOffsets("Mars/Olympus_Mons").status().kind(), StatusKind::NotFound);
    EXPECT_EQ(apiv2::SystemZoneOffsets("US").status().kind(), StatusKind::NotFound);  // a folder of zones
    EXPECT_EQ(apiv2::SystemZoneOffsets("US//").status().kind(), StatusKind::NotFound);
    std::ifstream file("/usr/share/zoneinfo/US/Eastern", std::ios::binary);
    const std::string tzif((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(tzif.size(), 100u);
    for (const std::size_t cut : {std::size_t(0), std::size_t(10), std::size_t(50), tzif.size() / 2})
        EXPECT_EQ(apiv2::ZoneOffsetsFromTzif(std::string_view(tzif).substr(0, cut)).status().kind(),
                  StatusKind::NotFound);
    std::string lying = tzif;
    lying[33] = '\x7F';  // the 32-bit block's count of transitions, now millions
    EXPECT_FALSE(apiv2::ZoneOffsetsFromTzif(lying).ok());
}

TEST(PostMapping, AllSevenTypesComeOutAsTheReadApiWroteThem) {
    const pugi::xml_document fixture = LoadFixture("08-anonymous-read-all-types-tags-2009.xml");
    const Result<apiv2::Page> page = apiv2::ReadPostsPage(AllSevenTypes(fixture).dump(), EasternWinter());
    ASSERT_TRUE(page.ok()) << page.status().text();
    EXPECT_TRUE(page->dropped.empty());
    EXPECT_EQ(page->total, 7);
    ASSERT_EQ(page->ids.size(), 7u);

    pugi::xml_document mine;
    ASSERT_TRUE(mine.load_string(page->xml.c_str())) << page->xml;
    const pugi::xml_node theirs = fixture.child("tumblr");
    const pugi::xml_node ours = mine.child("tumblr");
    ExpectSameElement(theirs.child("tumblelog"), ours.child("tumblelog"), "tumblelog");
    EXPECT_STREQ(ours.child("posts").attribute("start").value(), "0");
    EXPECT_STREQ(ours.child("posts").attribute("total").value(), "7");
    for (const pugi::xml_node post : theirs.child("posts").children("post")) {
        const std::string id = post.attribute("id").value();
        ExpectSameElement(post, ours.child("posts").find_child_by_attribute("post", "id", id.c_str()), "post " + id);
    }
    EXPECT_EQ(page->oldestTimestamp, 1234810140);
    EXPECT_EQ(page->lastId, "78841444");
}

TEST(PostMapping, SlugStateFormatAndPhotosetAsTheReadApiWroteThemAndTheOriginalIsTheLargestKept) {
    // The read API's newer attributes, from its own authenticated sample.
    const pugi::xml_document draftFixture = LoadFixture("03-authenticated-post-state-draft.xml");
    json draft = {{"id", 420292045},
                  {"post_url", "http://mwunsch.tumblr.com/post/420292045/testing-something-or-other"},
                  {"slug", "testing-something-or-other"},
                  {"type", "text"},
                  {"date", "2010-03-01 19:20:12 GMT"},
                  {"timestamp", 1267471212},
                  {"format", "markdown"},
                  {"reblog_key", "Bdxz9T94"},
                  {"bookmarklet", true},
                  {"title", nullptr},
                  {"body", "Just a test."},
                  {"tags", json::array()}};
    const Result<std::string> published = apiv2::PostXml(draft.dump(), EasternWinter());
    ASSERT_TRUE(published.ok()) << published.status().text();
    pugi::xml_document mine;
    ASSERT_TRUE(mine.load_string(published->c_str()));
    ExpectSameElement(PostById(draftFixture, "420292045"), mine.child("post"), "newer attributes");

    apiv2::PageContext drafts = EasternWinter();
    drafts.listing = apiv2::Listing::Drafts;
    EXPECT_NE(apiv2::PostXml(draft.dump(), drafts)->find(" slug=\"testing-something-or-other\" state=\"draft\""),
              std::string::npos);
    draft["state"] = "private";
    EXPECT_NE(apiv2::PostXml(draft.dump(), EasternWinter())->find(" slug=\"testing-something-or-other\" private=\"true\""),
              std::string::npos);

    // A photoset whose originals are larger than any size the read API knew.
    json photoset = {{"id_string", "9001"}, {"type", "photo"}, {"caption", "<p>Two</p>"}, {"width", 2048}, {"height", 1536}};
    photoset["photos"] = json::array();
    for (const std::string n : {"1", "2"})
        photoset["photos"].push_back({{"caption", "photo " + n},
                                      {"original_size", Size(2048, "https://64.media.example/p" + n + "_2048.jpg")},
                                      {"alt_sizes", json::array({Size(1280, "https://64.media.example/p" + n + "_1280.jpg"),
                                                                 Size(500, "https://64.media.example/p" + n + "_500.jpg")})}});
    const Result<std::string> set = apiv2::PostXml(photoset.dump(), {});
    ASSERT_TRUE(set.ok());
    const std::string sizes1 =
        "<photo-url max-width=\"2048\">https://64.media.example/p1_2048.jpg</photo-url>"
        "<photo-url max-width=\"1280\">https://64.media.example/p1_1280.jpg</photo-url>"
        "<photo-url max-width=\"500\">https://64.media.example/p1_500.jpg</photo-url>";
    EXPECT_EQ(*set,
              "<post id=\"9001\" type=\"photo\" width=\"2048\" height=\"1536\"><photo-caption>&lt;p&gt;Two&lt;/p&gt;"
              "</photo-caption>" + sizes1 +
              "<photoset><photo offset=\"o1\" caption=\"photo 1\" width=\"2048\" height=\"1536\">" + sizes1 +
              "</photo><photo offset=\"o2\" caption=\"photo 2\" width=\"2048\" height=\"1536\">"
              "<photo-url max-width=\"2048\">https://64.media.example/p2_2048.jpg</photo-url>"
              "<photo-url max-width=\"1280\">https://64.media.example/p2_1280.jpg</photo-url>"
              "<photo-url max-width=\"500\">https://64.media.example/p2_500.jpg</photo-url></photo></photoset></post>");
    XmlDocument backup;
    ASSERT_TRUE(backup.LoadXml("<tumblr version=\"1.0\"><posts>" + *set + "</posts></tumblr>", 0));
    std::vector<std::string> kept;
    for (const auto& address : media::CollectMediaAddresses(backup)) kept.push_back(address.url);
    EXPECT_EQ(kept, (std::vector<std::string>{"https://64.media.example/p1_2048.jpg",
                                              "https://64.media.example/p2_2048.jpg"}));
}

TEST(PostMapping, AnswersLikesAndWhatPagingOnNeeds) {
    json answer = {{"id", 7504154594LL}, {"type", "answer"}, {"blog_name", "david"},
                   {"post_url", "https://www.davidslog.com/7504154594"}, {"timestamp", 1310415854},
                   {"asking_name", "aperfectfacade"}, {"question", "Tumblr started in 2007?"},
                   {"answer", "<p>Good catch!</p>"}, {"liked_timestamp", 1400000300}, {"tags", {"trivia"}}};
    json pinned = {{"id", 100}, {"type", "quote"}, {"blog_name", "old"}, {"timestamp", 1000000000},
                   {"is_pinned", true}, {"text", "pinned"}, {"liked_timestamp", 1400000200}};
    json page = {{"meta", {{"status", 200}, {"msg", "OK"}}},
                 {"response",
                  {{"liked_posts", {answer, pinned}},
                   {"liked_count", 2},
                   {"_links", {{"next", {{"href", "/v2/blog/x/likes?before=1400000200"},
                                         {"query_params", {{"before", 1400000200}, {"limit", "20"}}}}}}}}}};
    apiv2::PageContext likes;
    likes.listing = apiv2::Listing::Likes;
    likes.start = 40;
    likes.blog = apiv2::Blog{"liker", "Liked <things>", "", "", std::nullopt, std::nullopt};
    const Result<apiv2::Page> read = apiv2::ReadPostsPage(page.dump(), likes);
    ASSERT_TRUE(read.ok()) << read.status().text();
    EXPECT_NE(read->xml.find("<tumblelog name=\"liker\" title=\"Liked &lt;things&gt;\"></tumblelog>"
                             "<posts start=\"40\" total=\"2\">"
                             "<post id=\"7504154594\" url=\"https://www.davidslog.com/7504154594\" type=\"answer\""
                             " date-gmt=\"2011-07-11 20:24:14 GMT\" date=\"Mon, 11 Jul 2011 20:24:14\""
                             " unix-timestamp=\"1310415854\" from-blog=\"david\"><question>Tumblr started in 2007?"
                             "</question><answer>&lt;p&gt;Good catch!&lt;/p&gt;</answer><tag>trivia</tag></post>"
                             "<post id=\"100\" type=\"quote\""),
              std::string::npos)
        << read->xml;
    EXPECT_EQ(read->oldestTimestamp, 1310415854) << "a pinned post's time says nothing of where the next page starts";
    EXPECT_EQ(read->oldestLikedTimestamp, 1400000200);
    EXPECT_EQ(read->nextQuery,
              (std::vector<std::pair<std::string, std::string>>{{"before", "1400000200"}, {"limit", "20"}}));
}

}  // namespace
}  // namespace qv
