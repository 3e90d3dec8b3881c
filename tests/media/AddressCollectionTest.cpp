// SPDX-License-Identifier: GPL-3.0-or-later
// Which addresses a backup yields, from the read API's real sample pages and
// from posts made for the cases the samples lack (photosets, HTML images,
// the service's own video files).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "MediaCollector.h"
#include "MediaTestSupport.h"
#include "Xml.h"

namespace qv {
namespace {

using media::MediaAddress;

std::vector<MediaAddress> FromFixture(const std::string& name) {
    XmlDocument document;
    EXPECT_TRUE(document.Load(std::string(QV_FIXTURES_DIR) + "/" + name, 0)) << name;
    return media::CollectMediaAddresses(document);
}

std::vector<MediaAddress> FromPosts(const std::vector<std::string>& posts) {
    XmlDocument document;
    EXPECT_TRUE(document.LoadXml(test::BackupText(posts), 0));
    return media::CollectMediaAddresses(document);
}

std::vector<std::string> Urls(const std::vector<MediaAddress>& addresses) {
    std::vector<std::string> urls;
    for (const auto& address : addresses) urls.push_back(address.url);
    return urls;
}

TEST(AddressCollection, OneOfEachPostTypeGivesTheLargestPhotoTheHostedAudioAndTheOtherSitesPlayer) {
    const auto addresses = FromFixture("06-all-seven-post-types-2008.xml");
    ASSERT_EQ(addresses.size(), 3u);
    // The player's embed names the other site's movie; the object around it names it again.
    EXPECT_EQ(addresses[0],
              (MediaAddress{"http://www.vimeo.com/moogaloop.swf?clip_id=2230644&server=www.vimeo.com&"
                            "show_title=1&show_byline=0&show_portrait=0&color=00ADEF&fullscreen=1",
                            "59615461", true}));
    EXPECT_EQ(addresses[1],
              (MediaAddress{"http://www.tumblr.com/audio_file/59615178/KZPtOc3DXg9y14ryuqr0XWZH", "59615178",
                            false}));
    EXPECT_EQ(addresses[2],
              (MediaAddress{"http://data.tumblr.com/KZPtOc3DXg9xvo0gtwOrsrpPo1_500.jpg", "59614715", false}));
}

TEST(AddressCollection, APhotoPageGivesOneAddressPerPhotoAtItsLargestWidth) {
    const auto addresses = FromFixture("07-type-photo-filter-page-2008.xml");
    ASSERT_EQ(addresses.size(), 10u);
    for (const auto& address : addresses) {
        EXPECT_TRUE(address.url.ends_with("_500.jpg")) << address.url;
        EXPECT_FALSE(address.external);
    }
    EXPECT_EQ(addresses.front().postId, "45874031");
    EXPECT_EQ(addresses.back().postId, "45290189");
}

TEST(AddressCollection, MixedPageTakesTheWidestSizeEvenWhenItNamesASmallerFileAndListsVideoSitesAsExternal) {
    const auto addresses = FromFixture("01-default-page-20-mixed-posts-utf8.xml");
    std::vector<MediaAddress> files;
    std::vector<MediaAddress> external;
    for (const auto& address : addresses) (address.external ? external : files).push_back(address);
    // The 1280 size of this photo is the 250 file: the widest max-width wins, whatever its name.
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].postId, "409216752");
    EXPECT_TRUE(files[0].url.ends_with("kycrwiQSqF1qzykueo1_250.jpg")) << files[0].url;
    ASSERT_EQ(external.size(), 3u);
    EXPECT_EQ(external[0].url, "http://www.youtube.com/v/i7CgL7c4LeE&rel=0&egm=0&showinfo=0&fs=1");
}

TEST(AddressCollection, PhotosetsGiveEachPhotoLargestFirstAndCaptionsAreSearchedForImages) {
    const std::string photoset =
        "<post id=\"9\" type=\"photo\"><photo-caption>" +
        test::XmlEscaped("<p><img src=\"https://media.example/caption.gif\"></p>") +
        "</photo-caption><photo-url max-width=\"1280\">https://media.example/a_1280.jpg</photo-url>"
        "<photoset><photo offset=\"o1\"><photo-url "
        "max-width=\"500\">https://media.example/a_500.jpg</photo-url>"
        "<photo-url max-width=\"1280\">https://media.example/a_1280.jpg</photo-url></photo>"
        "<photo offset=\"o2\"><photo-caption>" +
        test::XmlEscaped("second <IMG SRC='https://media.example/in-set.png'>") +
        "</photo-caption><photo-url max-width=\"250\">https://media.example/b_250.jpg</photo-url>"
        "<photo-url "
        "max-width=\"1280\">https://media.example/b_1280.jpg</photo-url></photo></photoset></post>";
    EXPECT_EQ(
        Urls(FromPosts({photoset})),
        (std::vector<std::string>{"https://media.example/a_1280.jpg", "https://media.example/b_1280.jpg",
                                  "https://media.example/caption.gif", "https://media.example/in-set.png"}));
}

TEST(AddressCollection, ImagesInEveryHtmlFieldAreFoundByAParserNotByPatterns) {
    const std::vector<std::string> posts = {
        test::RegularPost(
            "1",
            "<p>One <img src=\"https://m.example/one.jpg\" alt='<img src=\"https://m.example/no.jpg\">'>"
            "<!-- <img src=\"https://m.example/comment.jpg\"> -->"
            "<img src=\"  https://m.example/spaced name.jpg \"><img src=\"ftp://m.example/ftp.jpg\">"
            "<img src=\"//m.example/schemeless.jpg\"><img data-src=\"https://m.example/lazy.jpg\">"
            "<img src=\"https://m.example/a.jpg?size=1&amp;v=2\"></p>"),
        "<post id=\"2\" type=\"link\"><link-description>" +
            test::XmlEscaped("<img src=\"https://m.example/link.jpg\">") + "</link-description></post>",
        "<post id=\"3\" type=\"quote\"><quote-text>" +
            test::XmlEscaped("<img src=\"https://m.example/quote.jpg\">") + "</quote-text><quote-source>" +
            test::XmlEscaped("<img src=\"https://m.example/source.jpg\">") + "</quote-source></post>",
        "<post id=\"4\" type=\"answer\"><question>What?</question><answer>" +
            test::XmlEscaped("<img src=\"https://m.example/answer.jpg\">") + "</answer></post>",
    };
    EXPECT_EQ(Urls(FromPosts(posts)),
              (std::vector<std::string>{"https://m.example/one.jpg", "https://m.example/spaced%20name.jpg",
                                        "https://m.example/a.jpg?size=1&v=2", "https://m.example/link.jpg",
                                        "https://m.example/quote.jpg", "https://m.example/source.jpg",
                                        "https://m.example/answer.jpg"}));
}

TEST(AddressCollection, VideoPlayersGiveTheServicesFilesAndOtherSitesEmbedsOnceEach) {
    const auto video = media::VideoInPlayer(
        "<video poster='https://v.example/frame.jpg'><source "
        "src=\"https://v.example/video_file/1/tumblr_x.mp4\" "
        "type=\"video/mp4\"></video><video src=\"https://v.example/direct.webm\"></video>",
        "7");
    EXPECT_EQ(Urls(video), (std::vector<std::string>{"https://v.example/video_file/1/tumblr_x.mp4",
                                                     "https://v.example/direct.webm"}));
    EXPECT_FALSE(video[0].external);

    const auto embed = media::VideoInPlayer(
        "<object width=\"400\"><param name=\"movie\" value=\"http://www.youtube.com/v/abc\"></param>"
        "<embed src=\"http://www.youtube.com/v/abc&amp;fs=1\"></embed></object>",
        "8");
    ASSERT_EQ(embed.size(), 1u);
    EXPECT_EQ(embed[0], (MediaAddress{"http://www.youtube.com/v/abc&fs=1", "8", true}));

    EXPECT_TRUE(media::VideoInPlayer("<p>No video here</p>", "9").empty());
}

TEST(AddressCollection, AudioPlayersGiveTheEncodedOrPlainAudioFileAndOtherPlayersAsExternal) {
    const auto encoded = media::AudioInPlayer(
        "<iframe class=\"tumblr_audio_player\" src=\"https://blog.example/post/5/audio_player_iframe/blog/"
        "tumblr_q?audio_file=https%3A%2F%2Fwww.example%2Faudio_file%2Fblog%2F5%2Ftumblr_q\"></iframe>",
        "5");
    EXPECT_EQ(Urls(encoded), (std::vector<std::string>{"https://www.example/audio_file/blog/5/tumblr_q"}));
    const auto other =
        media::AudioInPlayer("<iframe src=\"https://w.soundcloud.example/player/?url=x\"></iframe>", "6");
    ASSERT_EQ(other.size(), 1u);
    EXPECT_TRUE(other[0].external);
}

}  // namespace
}  // namespace qv
