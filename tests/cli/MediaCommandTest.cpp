// SPDX-License-Identifier: GPL-3.0-or-later
// quillvault-cli media, and --media after a backup, run as users run them:
// the real program as a child process against loopback hosts.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <nlohmann/json.hpp>
#include <sstream>

#include "CliTestSupport.h"
#include "Manifest.h"
#include "ManifestJournal.h"
#include "MediaServer.h"
#include "TempFolder.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
using test::CliProcess;
using test::CliResult;
using test::MediaBytes;
using test::MediaServer;
using test::ReadAll;
using test::RunCli;
using test::ScriptedResponse;
using test::Service;
using test::TempFolder;
using test::WriteAll;

std::string PhotoPost(long long id, const std::string& url) {
    return "<post id=\"" + std::to_string(id) + "\" type=\"photo\"><photo-url max-width=\"1280\">" + url +
           "</photo-url></post>";
}

// A saved backup whose posts show these photos, and the server holding them.
std::string WriteBackup(const TempFolder& folder, MediaServer& server, int photos, int delayMs = 0) {
    std::string posts;
    for (int i = 0; i < photos; ++i) {
        const std::string path = "/photos/" + std::to_string(i) + ".jpg";
        server.AddFile(path, MediaBytes(20000, path), delayMs);
        posts += PhotoPost(9000 - i, server.Url(path));
    }
    const std::string file = folder.File("myblog.xml");
    WriteAll(
        file,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tumblr version=\"1.0\"><tumblelog name=\"myblog\"/>"
        "<posts start=\"0\" total=\"" +
            std::to_string(photos) + "\">" + posts + "</posts></tumblr>\n");
    return file;
}

std::string Summary(int kept, int already, int missing, int failed, const std::string& bytes) {
    return "Kept:          " + std::to_string(kept) + "\nAlready there: " + std::to_string(already) +
           "\nMissing:       " + std::to_string(missing) + "\nFailed:        " + std::to_string(failed) +
           "\nExternal:      0\nBytes:         " + bytes + "\n";
}

TEST(CliMedia, KeepsTheFilesBesideTheBackupAndARerunFindsThemThere) {
    TempFolder folder;
    MediaServer server;
    const std::string backup = WriteBackup(folder, server, 5);

    const CliResult first = RunCli({"media", backup});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "Media kept in " + folder.File("myblog.media") + "\n" +
                             Summary(5, 0, 0, 0, "97.66 KB (100,000 bytes)"));
    EXPECT_NE(first.err.find("Media: 0 of 5 files kept"), std::string::npos) << first.err;
    EXPECT_EQ(first.err.find('\r'), std::string::npos) << "not a terminal: plain lines";
    EXPECT_EQ(ReadAll(folder.File("myblog.media/3.jpg")), MediaBytes(20000, "/photos/3.jpg"));
    EXPECT_EQ(media::ParseManifest(ReadAll(folder.File("myblog.media/manifest.tsv"))).entries.size(), 5u);

    const CliResult second = RunCli({"media", "-q", backup});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.err, "");
    EXPECT_NE(second.out.find(Summary(0, 5, 0, 0, "0 bytes")), std::string::npos) << second.out;
    EXPECT_EQ(server.TotalRequests(), 5);
}

TEST(CliMedia, FailuresAreSummedUpByTheirCommonestReasonsEndWithStatusOneAndTheNextRunRetriesThem) {
    TempFolder folder;
    MediaServer server;
    const std::string backup = WriteBackup(folder, server, 12);
    // 0 is kept, 1 missing; then ten failures: four for one reason, three, two, and one.
    server.Script("/photos/1.jpg", {ScriptedResponse::Status(404)});
    for (int i = 2; i <= 5; ++i)
        server.Script("/photos/" + std::to_string(i) + ".jpg", {ScriptedResponse::Status(403)});
    for (int i = 6; i <= 8; ++i)
        server.Script("/photos/" + std::to_string(i) + ".jpg",
                      {ScriptedResponse::Status(500), ScriptedResponse::Status(500)});
    for (int i = 9; i <= 10; ++i)
        server.Script("/photos/" + std::to_string(i) + ".jpg", {ScriptedResponse::Status(400)});
    server.Script("/photos/11.jpg", {ScriptedResponse::Status(401)});
    const std::string elsewhere = folder.File("kept-here");

    const CliResult first = RunCli(
        {"media", backup, "--media-dir", elsewhere, "--retries", "1", "--retry-delay", "0", "--jobs", "1"});
    EXPECT_EQ(first.exitCode, 1) << first.err;
    EXPECT_NE(first.out.find("Missing:       1\nFailed:        10\n"
                             "  4 failed: HTTP 403 Forbidden\n"
                             "  3 failed: HTTP 500 Internal Server Error\n"
                             "  2 failed: HTTP 400 Bad Request\n"
                             "External:      0\n"),
              std::string::npos)
        << first.out;
    EXPECT_EQ(first.out.find("Unauthorized"), std::string::npos) << "three reasons at most";
    EXPECT_NE(first.err.find("10 files failed (see manifest.tsv); the next run tries again."),
              std::string::npos)
        << first.err;
    EXPECT_FALSE(std::filesystem::exists(folder.File("myblog.media")));
    EXPECT_EQ(server.Requests("/photos/6.jpg"), 2);

    const CliResult second = RunCli({"media", "-q", backup, "--media-dir", elsewhere});
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.out.find(Summary(10, 1, 1, 0, "195.31 KB (200,000 bytes)")), std::string::npos)
        << second.out;
    EXPECT_EQ(server.Requests("/photos/1.jpg"), 1) << "missing stays missing";
}

TEST(CliMedia, ASignalStopsTheRunWith130AndTheNextRunGoesOn) {
    TempFolder folder;
    MediaServer server;
    const std::string backup = WriteBackup(folder, server, 40, 100);

    CliProcess process({"media", backup, "--jobs", "2"});
    // Wait for the first plain progress line, then for some files to be kept.
    ASSERT_TRUE(process.WaitForError("Media: 0 of 40 files kept", 30s));
    for (int waited = 0; waited < 1000 && server.TotalRequests() < 6; ++waited)
        std::this_thread::sleep_for(20ms);
    process.Signal(SIGINT);
    const CliResult stopped = process.Finish();
    EXPECT_EQ(stopped.exitCode, 130) << stopped.err;
    EXPECT_NE(stopped.err.find("Stopped; every file kept so far stays, and the next run goes on from there."),
              std::string::npos)
        << stopped.err;
    const int requestsBefore = server.TotalRequests();
    EXPECT_LT(requestsBefore, 40);
    // A stop the program survives leaves everything in the manifest, no journal beside it.
    const auto kept = media::ParseManifest(ReadAll(folder.File("myblog.media/manifest.tsv"))).entries;
    ASSERT_FALSE(kept.empty());
    EXPECT_FALSE(std::filesystem::exists(folder.File("myblog.media/") + media::kJournalFileName));

    const CliResult resumed = RunCli({"media", "-q", "--jobs", "8", backup});
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_NE(resumed.out.find("Already there: " + std::to_string(kept.size()) + "\n"), std::string::npos)
        << resumed.out;
    for (const auto& entry : kept)
        EXPECT_EQ(server.Requests(entry.url.substr(entry.url.find("/photos/"))), 1);
}

TEST(CliMedia, WrongUsageAndAnUnreadableBackupAreReported) {
    TempFolder folder;
    const CliResult noFile = RunCli({"media"});
    EXPECT_EQ(noFile.exitCode, 2);
    EXPECT_NE(noFile.err.find("Try 'quillvault-cli media --help'."), std::string::npos) << noFile.err;
    EXPECT_EQ(RunCli({"media", "x.xml", "--jobs", "17"}).exitCode, 2);
    EXPECT_EQ(RunCli({"media", "x.xml", "--jobs", "0"}).exitCode, 2);

    WriteAll(folder.File("broken.xml"), "<tumblr><posts>");
    const CliResult broken = RunCli({"media", folder.File("broken.xml")});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(broken.err.find(folder.File("broken.xml") + ": "), std::string::npos) << broken.err;
    EXPECT_EQ(broken.out, "");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"broken.xml"})
        << "no folder for a backup that isn't one";
    const CliResult brokenJson = RunCli({"media", "--json", folder.File("broken.xml")});
    EXPECT_NE(brokenJson.err.find("\"status\":\"unreadable-xml\""), std::string::npos) << brokenJson.err;
}

TEST(CliMedia, WithMediaABackupRunKeepsTheMediaOfTheFileItSaved) {
    TempFolder folder;
    MediaServer server;
    test::Blog blog;
    for (int i = 0; i < 4; ++i) {
        const std::string path = "/m/" + std::to_string(i) + ".png";
        server.AddFile(path, MediaBytes(1000 + i, path));
        blog.posts.push_back(PhotoPost(700 - i, server.Url(path)));
    }
    Service().SetBlog(blog);

    const CliResult run = RunCli({"-q", Service().Address(), "-o", folder.File("blog.xml"), "--media"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("4 posts in backup."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Media kept in " + folder.File("blog.media") + "\nKept:          4\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(ReadAll(folder.File("blog.media/2.png")), MediaBytes(1002, "/m/2.png"));

    // With the offline view as well: the media first, in the folder asked for, and the pages show them.
    const std::string elsewhere = folder.File("pictures");
    const CliResult both = RunCli({"-q", Service().Address(), "-o", folder.File("blog.xml"), "--media",
                                   "--html", "--media-dir", elsewhere, "--jobs", "2"});
    ASSERT_EQ(both.exitCode, 0) << both.err;
    EXPECT_EQ(ReadAll(elsewhere + "/3.png"), MediaBytes(1003, "/m/3.png"));
    const std::string index = ReadAll(folder.File("blog.html/index.html"));
    EXPECT_NE(index.find("pictures/3.png"), std::string::npos) << index;
    EXPECT_EQ(index.find(server.Url("/m/3.png")), std::string::npos)
        << "a kept picture is shown from its copy";

    // A backup named like its blog, without ".xml": the pages find the media its run kept beside it.
    const std::string named = folder.File("blog.example.com");
    const CliResult plain = RunCli({"-q", Service().Address(), "-o", named, "--media", "--html"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(ReadAll(named + ".media/1.png"), MediaBytes(1001, "/m/1.png"));
    EXPECT_NE(ReadAll(named + ".html/index.html").find("blog.example.com.media/1.png"), std::string::npos);

    // A backup run that saves nothing keeps no media.
    Service().Http().Enqueue(ScriptedResponse::Status(500));
    const CliResult failed =
        RunCli({"-q", Service().Address(), "-o", folder.File("other.xml"), "--media", "--retries", "0"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.File("other.media")));
}

// The media run and the offline view read an address the same way, so a
// picture whose address holds a space, in a photo post or in a post's text,
// is shown from the file kept for it.
TEST(CliMedia, APictureWhoseAddressHoldsASpaceIsShownFromItsKeptFile) {
    TempFolder folder;
    MediaServer server;
    server.AddFile("/m/a%20photo.png", MediaBytes(1500, "photo"));
    server.AddFile("/m/in%20text.png", MediaBytes(1600, "text"));
    test::Blog blog;
    blog.posts.push_back(PhotoPost(800, server.Url("/m/a photo.png")));
    blog.posts.push_back("<post id=\"799\" type=\"regular\"><regular-body>&lt;p&gt;&lt;img src=&quot;" +
                         server.Url("/m/in text.png") + "&quot;&gt;&lt;/p&gt;</regular-body></post>");
    Service().SetBlog(blog);

    const CliResult run = RunCli({"-q", Service().Address(), "-o", folder.File("blog.xml"), "--media", "--html"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto kept = media::ParseManifest(ReadAll(folder.File("blog.media/manifest.tsv"))).entries;
    ASSERT_EQ(kept.size(), 2u);
    const std::string index = ReadAll(folder.File("blog.html/index.html"));
    for (const media::ManifestEntry& entry : kept) {
        ASSERT_EQ(entry.status, media::MediaStatus::Kept) << entry.url;
        EXPECT_NE(index.find("blog.media/" + entry.file), std::string::npos) << entry.url << "\n" << index;
        EXPECT_EQ(index.find(entry.url), std::string::npos) << "not shown from its copy: " << entry.url;
    }
}

// --json: what a program reads, line by line, for the backup and the steps after it.
TEST(CliJson, EveryLineIsOneEventAndEachEndCarriesItsCounts) {
    TempFolder folder;
    MediaServer server;
    test::Blog blog;
    for (int i = 0; i < 60; ++i) {
        const std::string path = "/m/" + std::to_string(i) + ".png";
        server.AddFile(path, MediaBytes(100 + i, path));
        blog.posts.push_back(PhotoPost(900 - i, server.Url(path)));
    }
    blog.announcedTotal = 61;  // one more than the service lets anyone read
    Service().SetBlog(blog);

    const CliResult run = RunCli({Service().Address(), "-o", folder.File("blog.xml"), "--json", "--media", "--html"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<nlohmann::json> events;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);) {
        ASSERT_TRUE(nlohmann::json::accept(line)) << line;
        events.push_back(nlohmann::json::parse(line));
    }
    std::vector<std::string> order;
    for (const auto& event : events)
        if (event["event"] == "start" || event["event"] == "end")
            order.push_back(event["event"].get<std::string>() + " " + event["command"].get<std::string>());
    EXPECT_EQ(order, (std::vector<std::string>{"start backup", "end backup", "start media", "end media",
                                               "start html", "end html"}));
    const auto last = [&](const std::string& kind, const std::string& command) {
        for (auto event = events.rbegin(); event != events.rend(); ++event)
            if ((*event)["event"] == kind && (*event)["command"] == command) return *event;
        return nlohmann::json();
    };
    const nlohmann::json backup = last("end", "backup");
    EXPECT_EQ(backup["status"], "ok");
    EXPECT_EQ(backup["exit"], 0);
    EXPECT_EQ(backup["saved"], folder.File("blog.xml"));
    EXPECT_EQ(backup["posts"], 60);
    EXPECT_EQ(backup["announced"], 61);
    EXPECT_EQ(backup["shortfall"], 1);
    EXPECT_EQ(last("progress", "backup")["page"], 2);
    EXPECT_EQ(last("progress", "backup")["pages"], 2);
    const nlohmann::json media = last("end", "media");
    EXPECT_EQ(media["kept"], 60);
    EXPECT_EQ(media["failed"], 0);
    EXPECT_EQ(last("progress", "media")["files"], 60);
    EXPECT_EQ(last("end", "html")["index"], folder.File("blog.html/index.html"));
    EXPECT_FALSE(last("warning", "backup").is_null()) << "the shortfall is said as a warning too";

    // Standard output says what it says without --json.
    EXPECT_NE(run.out.find("\nSaved as " + folder.File("blog.xml") + " in "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Media kept in " + folder.File("blog.media") + "\nKept:          60\n"), std::string::npos)
        << run.out;
    EXPECT_TRUE(run.out.ends_with(folder.File("blog.html/index.html") + "\n")) << run.out;
}

}  // namespace
}  // namespace qv
