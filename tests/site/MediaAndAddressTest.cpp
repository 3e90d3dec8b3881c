// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "ImageSize.h"
#include "MediaCatalog.h"
#include "SiteTestSupport.h"
#include "UrlPolicy.h"
#include "html/WebAddress.h"

namespace qv::site {
namespace {

TEST(MediaCatalog, TakesKeptAddressesWhoseFileIsAPlainName) {
    test::TempFolder folder;
    test::WriteAll(folder.File("manifest.tsv"),
                   "url\tfile\tbytes\tsha256\tstatus\tpost_id\r\n"
                   "http://m.example/a.jpg\ta.jpg\t10\tab\tkept\t1\r\n"
                   "http://m.example/b.jpg\t\t\t\tmissing\t1\r\n"
                   "http://m.example/c.jpg\tc.jpg\t\t\tfailed\t2\r\n"
                   "http://m.example/evil\t../../etc/passwd\t1\tx\tkept\t3\r\n"
                   "http://m.example/dir\tsub/d.jpg\t1\tx\tkept\t3\r\n"
                   "http://m.example/short\tkept\t4\r\n"
                   "https://video.example/v\t\t\t\texternal\t5\r\n");
    MediaCatalog catalog;
    const Status loaded = catalog.Load(folder.Path().string());
    ASSERT_TRUE(loaded.ok()) << loaded.text();
    EXPECT_EQ(catalog.Count(), 1u);
    ASSERT_NE(catalog.KeptFile("http://m.example/a.jpg"), nullptr);
    EXPECT_EQ(*catalog.KeptFile("http://m.example/a.jpg"), "a.jpg");
    for (const char* url : {"http://m.example/b.jpg", "http://m.example/c.jpg", "http://m.example/evil",
                            "http://m.example/dir", "https://video.example/v"})
        EXPECT_EQ(catalog.KeptFile(url), nullptr) << url;
}

TEST(MediaCatalog, AFolderWithoutManifestIsEmptyButABrokenManifestIsAnError) {
    test::TempFolder folder;
    MediaCatalog catalog;
    const Status nothing = catalog.Load(folder.File("nothing-here"));
    EXPECT_TRUE(nothing.ok()) << nothing.text();
    EXPECT_EQ(catalog.Count(), 0u);
    test::WriteAll(folder.File("manifest.tsv"), "address\tname\n");
    const Status columns = catalog.Load(folder.Path().string());
    EXPECT_TRUE(columns.Is(StatusKind::FileSystem)) << columns.text();
    EXPECT_NE(columns.text().find("manifest.tsv"), std::string::npos) << columns.text();
    test::WriteAll(folder.File("manifest.tsv"), "");
    EXPECT_TRUE(catalog.Load(folder.Path().string()).Is(StatusKind::FileSystem));
}

TEST(MediaCatalog, WhatAKilledMediaRunRecordedAfterItsLastManifestCounts) {
    test::TempFolder folder;
    test::WriteAll(folder.File("manifest.tsv"),
                   "url\tfile\tbytes\tsha256\tstatus\tpost_id\n"
                   "http://m.example/a.jpg\ta.jpg\t10\tab\tkept\t1\n"
                   "http://m.example/b.jpg\t\t\t\tfailed: HTTP 500\t2\n");
    // b was kept since, a failed when asked again, c's line was cut short.
    test::WriteAll(folder.File(".manifest.tsv.log"),
                   "http://m.example/b.jpg\tb.jpg\t10\tcd\tkept\t2\n"
                   "http://m.example/a.jpg\t\t\t\tfailed: HTTP 500\t1\n"
                   "http://m.example/c.jpg\tc.jpg\t10\tef\tkept");
    MediaCatalog catalog;
    const Status loaded = catalog.Load(folder.Path().string());
    ASSERT_TRUE(loaded.ok()) << loaded.text();
    ASSERT_NE(catalog.KeptFile("http://m.example/b.jpg"), nullptr);
    EXPECT_EQ(*catalog.KeptFile("http://m.example/b.jpg"), "b.jpg");
    EXPECT_EQ(catalog.KeptFile("http://m.example/a.jpg"), nullptr);
    EXPECT_EQ(catalog.KeptFile("http://m.example/c.jpg"), nullptr);
}

TEST(ImageSize, ReadsPngGifJpegAndWebpHeadersAndRefusesDamagedOnes) {
    const auto png = ImageSizeOf(test::Png(640, 480, 1, 2, 3));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, 640);
    EXPECT_EQ(png->height, 480);

    const auto gif = ImageSizeOf(std::string("GIF89a\x2C\x01\xC8\x00", 10) + std::string(10, '\0'));
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, 300);
    EXPECT_EQ(gif->height, 200);

    // SOI, an APP0 segment to skip, then a baseline frame header: 1024 x 768.
    const std::string jpeg = std::string("\xFF\xD8\xFF\xE0\x00\x04\x00\x00", 8) +
                             std::string("\xFF\xC0\x00\x11\x08\x03\x00\x04\x00\x03", 10) +
                             std::string(20, '\0');
    const auto jpegSize = ImageSizeOf(jpeg);
    ASSERT_TRUE(jpegSize);
    EXPECT_EQ(jpegSize->width, 1024);
    EXPECT_EQ(jpegSize->height, 768);

    std::string webp = std::string("RIFF\0\0\0\0WEBPVP8X", 16) + std::string(8, '\0');
    webp += std::string("\x1F\x03\x00\xDF\x01\x00", 6);  // 800 - 1, 480 - 1, little-endian 24 bits
    const auto webpSize = ImageSizeOf(webp);
    ASSERT_TRUE(webpSize);
    EXPECT_EQ(webpSize->width, 800);
    EXPECT_EQ(webpSize->height, 480);

    EXPECT_FALSE(ImageSizeOf("\x89PNG\r\n\x1a\n"));
    EXPECT_FALSE(ImageSizeOf(std::string("\xFF\xD8\xFF\xDA", 4)));
    EXPECT_FALSE(ImageSizeOf("<html>not a picture</html>"));
    EXPECT_FALSE(ImageSizeOf(test::Png(0, 5, 0, 0, 0)));
}

TEST(UrlPolicy, ReadsAddressesTheWayBrowsersDo) {
    EXPECT_EQ(html::CleanUrl(" \t java\tscript:x \n"), "javascript:x");
    EXPECT_EQ(SchemeOf("HTTPS://a.example"), "https");
    EXPECT_EQ(SchemeOf("/path:with:colons"), "");
    EXPECT_EQ(SchemeOf("a.b-c+d:x"), "a.b-c+d");

    const std::string base = "http://blog.example/post/1/slug?x=1#top";
    EXPECT_EQ(ResolveUrl("/tagged/a", base), "http://blog.example/tagged/a");
    EXPECT_EQ(ResolveUrl("img.png", base), "http://blog.example/post/1/img.png");
    EXPECT_EQ(ResolveUrl("?page=2", base), "http://blog.example/post/1/slug?page=2");
    EXPECT_EQ(ResolveUrl("#note", base), "http://blog.example/post/1/slug?x=1#note");
    EXPECT_EQ(ResolveUrl("//cdn.example/a", "https://blog.example"), "https://cdn.example/a");
    EXPECT_EQ(ResolveUrl("a", "http://blog.example"), "http://blog.example/a");
    EXPECT_EQ(ResolveUrl("a", "file:///etc/"), "");
    EXPECT_EQ(ResolveUrl("", base), "");

    EXPECT_EQ(SafeLinkUrl("http://ok.example/", ""), "http://ok.example/");
    EXPECT_EQ(SafeLinkUrl("ftp://files.example/", ""), "");
    EXPECT_EQ(SafeLinkUrl("http://", ""), "");
    EXPECT_TRUE(IsInlineImage("DATA:image/PNG;base64,AAAA"));
    EXPECT_FALSE(IsInlineImage("data:image/svg+xml,<svg/>"));
    EXPECT_FALSE(IsInlineImage("data:image/pngx,AAAA"));
    EXPECT_EQ(EncodePath("../my blog.media/caf\xC3\xA9#1.jpg"), "../my%20blog.media/caf%C3%A9%231.jpg");
}

}  // namespace
}  // namespace qv::site
