// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping media from a loopback media host over real sockets: what is
// fetched, how each outcome is recorded, and what is never written.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <set>
#include <utility>

#include "FileNames.h"
#include "MediaServer.h"
#include "MediaTestSupport.h"
#include "RecordingFileOps.h"
#include "Sha256.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
using media::ManifestEntry;
using media::MediaStatus;
using media::Sha256;
using test::MediaBytes;
using test::MediaCase;
using test::MediaServer;
using test::ReadAll;
using test::RecordingFileOps;
using test::ScriptedResponse;
using test::WriteAll;

std::vector<std::string> ManifestUrlsInOrder(const MediaCase& run) {
    std::vector<std::string> urls;
    const auto parsed = media::ParseManifest(ReadAll(run.MediaFile(media::kManifestFileName)));
    for (const auto& entry : parsed.entries) urls.push_back(entry.url);
    return urls;
}

bool NoPieces(const MediaCase& run) {
    const auto names = run.Files();
    return std::none_of(names.begin(), names.end(),
                        [](const std::string& name) { return name.starts_with("."); });
}

TEST(MediaRun, KeepsLargestPhotosPhotosetsImagesInHtmlAudioAndVideoAndListsOtherSitesPlayers) {
    MediaServer server;
    const std::string big = MediaBytes(70000, "big"), setOne = MediaBytes(3000, "one"),
                      setTwo = MediaBytes(4000, "two"), inline1 = MediaBytes(500, "inline"),
                      audio = MediaBytes(9000, "audio"), video = MediaBytes(12000, "video");
    server.AddFile("/p/big_1280.jpg", big);
    server.AddFile("/p/set_1_1280.jpg", setOne);
    server.AddFile("/p/set_2_1280.jpg", setTwo);
    server.AddFile("/i/inline.png", inline1);
    server.AddFile("/audio_file/7/tumblr_abc", audio);
    server.AddFile("/video_file/8/tumblr_xyz.mp4", video);
    // The large photo comes in many pieces: every one of them is written and hashed.
    ScriptedResponse pieces = ScriptedResponse::Ok(big, "image/jpeg");
    pieces.bodyChunkBytes = 4000;
    pieces.chunkDelayMs = 2;
    server.Script("/p/big_1280.jpg", {pieces});

    const std::string photoset =
        "<post id=\"2\" type=\"photo\"><photo-url max-width=\"1280\">" + server.Url("/p/set_1_1280.jpg") +
        "</photo-url><photo-url max-width=\"500\">" + server.Url("/p/set_1_500.jpg") +
        "</photo-url><photoset><photo offset=\"o1\"><photo-caption>" +
        test::XmlEscaped("<p>first <img src=\"" + server.Url("/i/inline.png") + "\"></p>") +
        "</photo-caption><photo-url max-width=\"500\">" + server.Url("/p/set_1_500.jpg") +
        "</photo-url><photo-url max-width=\"1280\">" + server.Url("/p/set_1_1280.jpg") +
        "</photo-url></photo><photo offset=\"o2\"><photo-url max-width=\"1280\">" +
        server.Url("/p/set_2_1280.jpg") + "</photo-url><photo-url max-width=\"75\">" +
        server.Url("/p/set_2_75sq.jpg") + "</photo-url></photo></photoset></post>";
    const std::string audioPost =
        "<post id=\"4\" type=\"audio\"><audio-player>" +
        test::XmlEscaped("<embed type=\"application/x-shockwave-flash\" src=\"" +
                         server.Url("/swf/player.swf") + "?audio_file=" + "http%3A%2F%2F" +
                         server.Http().Address() + "%2Faudio_file%2F7%2Ftumblr_abc&color=FFFFFF\"></embed>") +
        "</audio-player></post>";
    const std::string videoPost =
        "<post id=\"5\" type=\"video\"><video-player>" +
        test::XmlEscaped("<video width=\"400\" poster=\"" + server.Url("/poster.jpg") + "\"><source src=\"" +
                         server.Url("/video_file/8/tumblr_xyz.mp4") + "\" type=\"video/mp4\"></video>") +
        "</video-player></post>";
    const std::string youtube =
        "<post id=\"6\" type=\"video\"><video-player>" +
        test::XmlEscaped("<iframe src=\"https://www.youtube.com/embed/abc\" width=\"400\"></iframe>") +
        "</video-player></post>";
    MediaCase run(
        {test::PhotoPost("1", {{400, server.Url("/p/big_400.jpg")},
                               {1280, server.Url("/p/big_1280.jpg")},
                               {75, server.Url("/p/big_75sq.jpg")}}),
         photoset,
         test::RegularPost(
             "3", "<p>See <img src=\"" + server.Url("/i/inline.png") +
                      "\"> and <img src=\"/relative.png\"> <img src=\"data:image/png;base64,AAAA\"></p>"),
         audioPost, videoPost, youtube});
    RecordingFileOps files;

    const media::MediaSummary summary = run.Run(files);

    EXPECT_TRUE(summary.AllSettled()) << summary.status.text();
    EXPECT_EQ(summary.kept, 6);
    EXPECT_EQ(summary.external, 1);
    EXPECT_EQ(summary.bytes, static_cast<std::int64_t>(big.size() + setOne.size() + setTwo.size() +
                                                       inline1.size() + audio.size() + video.size()));
    EXPECT_EQ(summary.folder, run.Media());
    // Only the largest size of a photo is asked for, and every address only once.
    EXPECT_EQ(server.TotalRequests(), 6);
    EXPECT_EQ(ReadAll(run.MediaFile("big_1280.jpg")), big);
    EXPECT_EQ(ReadAll(run.MediaFile("set_2_1280.jpg")), setTwo);
    EXPECT_EQ(ReadAll(run.MediaFile("tumblr_abc")), audio);
    EXPECT_EQ(ReadAll(run.MediaFile("tumblr_xyz.mp4")), video);

    EXPECT_TRUE(
        ReadAll(run.MediaFile("manifest.tsv")).starts_with("url\tfile\tbytes\tsha256\tstatus\tpost_id\n"));
    EXPECT_EQ(
        ManifestUrlsInOrder(run),
        (std::vector<std::string>{
            server.Url("/p/big_1280.jpg"), server.Url("/p/set_1_1280.jpg"), server.Url("/p/set_2_1280.jpg"),
            server.Url("/i/inline.png"), server.Url("/audio_file/7/tumblr_abc"),
            server.Url("/video_file/8/tumblr_xyz.mp4"), "https://www.youtube.com/embed/abc"}));
    const auto manifest = run.Manifest();
    const ManifestEntry& photo = manifest.at(server.Url("/p/big_1280.jpg"));
    EXPECT_EQ(photo, (ManifestEntry{server.Url("/p/big_1280.jpg"), "big_1280.jpg", 70000, Sha256::Of(big),
                                    MediaStatus::Kept, "", "1"}));
    // An image in two posts is kept once, for the post that names it first.
    EXPECT_EQ(manifest.at(server.Url("/i/inline.png")).postId, "2");
    EXPECT_EQ(
        manifest.at("https://www.youtube.com/embed/abc"),
        (ManifestEntry{"https://www.youtube.com/embed/abc", "", -1, "", MediaStatus::External, "", "6"}));
    // A power cut can't leave a kept name on part of a file: each was on the disk before it got its name.
    for (const auto& [url, entry] : manifest) {
        if (entry.status != MediaStatus::Kept) continue;
        const auto placement = files.PlacementOf(run.MediaFile(entry.file));
        ASSERT_TRUE(placement.renamed && placement.synced && placement.folderSynced) << entry.file;
        EXPECT_LT(*placement.synced, *placement.renamed) << entry.file;
    }

    ASSERT_FALSE(run.host.reports.empty());
    EXPECT_EQ(run.host.reports.back().kept, 6);
    EXPECT_EQ(run.host.reports.back().toKeep, 6);
    EXPECT_EQ(run.host.reports.back().bytes, summary.bytes);
    EXPECT_TRUE(NoPieces(run));
}

TEST(MediaRun, MissingForbiddenAndBrokenFilesAreRecordedAndOnlyPassingFaultsAreRetried) {
    MediaServer server;
    server.AddFile("/flaky.jpg", MediaBytes(2000, "flaky"));
    server.Script("/flaky.jpg", {ScriptedResponse::Status(500), ScriptedResponse::Status(502)});
    server.Script("/gone.jpg", {ScriptedResponse::Status(410)});
    server.Script("/secret.jpg", {ScriptedResponse::Status(403)});
    server.Script("/broken.jpg", {ScriptedResponse::Status(500), ScriptedResponse::Status(500),
                                  ScriptedResponse::Status(500)});
    MediaCase run(
        test::PhotoPosts({server.Url("/flaky.jpg"), server.Url("/absent.jpg"), server.Url("/gone.jpg"),
                          server.Url("/secret.jpg"), server.Url("/broken.jpg")}));
    run.options.retries = 2;

    const media::MediaSummary summary = run.Run();

    EXPECT_EQ(summary.kept, 1);
    EXPECT_EQ(summary.missing, 2);
    EXPECT_EQ(summary.failed, 2);
    EXPECT_FALSE(summary.AllSettled());
    EXPECT_TRUE(summary.status.ok()) << summary.status.text();
    EXPECT_EQ(server.Requests("/flaky.jpg"), 3);
    EXPECT_EQ(server.Requests("/absent.jpg"), 1);
    EXPECT_EQ(server.Requests("/gone.jpg"), 1);
    EXPECT_EQ(server.Requests("/secret.jpg"), 1);
    EXPECT_EQ(server.Requests("/broken.jpg"), 3);

    const auto manifest = run.Manifest();
    EXPECT_EQ(manifest.at(server.Url("/flaky.jpg")).status, MediaStatus::Kept);
    EXPECT_EQ(manifest.at(server.Url("/absent.jpg")).status, MediaStatus::Missing);
    EXPECT_EQ(manifest.at(server.Url("/gone.jpg")).status, MediaStatus::Missing);
    EXPECT_EQ(media::StatusText(manifest.at(server.Url("/secret.jpg"))), "failed: HTTP 403 Forbidden");
    EXPECT_EQ(media::StatusText(manifest.at(server.Url("/broken.jpg"))),
              "failed: HTTP 500 Internal Server Error");
    EXPECT_EQ(summary.commonestFailures, (std::vector<media::FailureReason>{
                                             {"HTTP 403 Forbidden", 1, StatusKind::HttpStatus},
                                             {"HTTP 500 Internal Server Error", 1, StatusKind::HttpStatus}}));
    EXPECT_EQ(run.Files(), (std::vector<std::string>{"flaky.jpg", "manifest.tsv"}));
}

TEST(MediaRun, TooManyRequestsWaitsAsTheHostAskedAtMostTheLongestWait) {
    MediaServer server;
    server.AddFile("/a.jpg", MediaBytes(1000, "a"));
    server.AddFile("/b.jpg", MediaBytes(1000, "b"));
    ScriptedResponse busy = ScriptedResponse::Status(429, "slow down");
    busy.headers.push_back({"Retry-After", "1"});
    server.Script("/a.jpg", {busy});
    ScriptedResponse unavailable = ScriptedResponse::Status(503);
    unavailable.headers.push_back({"Retry-After", "3600"});
    server.Script("/b.jpg", {unavailable});
    MediaCase run(test::PhotoPosts({server.Url("/a.jpg"), server.Url("/b.jpg")}));
    run.options.jobs = 1;
    run.options.longestWait = 2s;

    const auto started = std::chrono::steady_clock::now();
    const media::MediaSummary summary = run.Run();
    const auto took = std::chrono::steady_clock::now() - started;

    EXPECT_TRUE(summary.AllSettled()) << summary.status.text();
    EXPECT_EQ(summary.kept, 2);
    const auto a = server.RequestTimes("/a.jpg");
    const auto b = server.RequestTimes("/b.jpg");
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_GE(a[1] - a[0], 950ms);
    // An hour asked for is cut to the longest wait.
    EXPECT_GE(b[1] - b[0], 1950ms);
    EXPECT_LT(took, 10s);
    // While the host made us wait, the progress said so.
    EXPECT_TRUE(
        std::any_of(run.host.reports.begin(), run.host.reports.end(),
                    [](const media::MediaProgress& p) { return p.waiting.count() > 0 && p.hostAsked; }));
}

TEST(MediaRun, BusyAnswersUseUpNoRetryButAHostBusyForEverFailsTheFile) {
    MediaServer server;
    server.AddFile("/a.jpg", MediaBytes(1000, "a"));
    server.AddFile("/b.jpg", MediaBytes(1000, "b"));
    ScriptedResponse busy = ScriptedResponse::Status(429);
    busy.reason = "Too Many Requests";
    busy.headers.push_back({"Retry-After", "0"});
    // Three busy answers, with no retries allowed: waited out all the same.
    server.Script("/a.jpg", {busy, busy, busy});
    // More busy answers than a file waits out.
    server.Script("/b.jpg", std::vector<ScriptedResponse>(5, busy));
    MediaCase run(test::PhotoPosts({server.Url("/a.jpg"), server.Url("/b.jpg")}));
    run.options.retries = 0;
    run.options.busyAnswers = 3;

    const media::MediaSummary summary = run.Run();
    EXPECT_EQ(summary.kept, 1);
    EXPECT_EQ(server.RequestTimes("/a.jpg").size(), 4u);
    EXPECT_EQ(server.RequestTimes("/b.jpg").size(), 4u);
    const auto manifest = run.Manifest();
    EXPECT_EQ(manifest.at(server.Url("/a.jpg")).status, MediaStatus::Kept);
    EXPECT_EQ(media::StatusText(manifest.at(server.Url("/b.jpg"))), "failed: HTTP 429 Too Many Requests, 4 times");
    ASSERT_EQ(summary.commonestFailures.size(), 1u);
    EXPECT_EQ(summary.commonestFailures[0].kind, StatusKind::Throttled);
}

// A port on this machine that refuses connections: bound, never listening.
class RefusingPort {
public:
    RefusingPort() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~RefusingPort() { ::close(fd_); }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int Port() const { return port_; }

private:
    int fd_;
    int port_ = 0;
};

TEST(MediaRun, AHostThatCanNotBeFoundOrReachedIsNamedAndItsFilesFailTogetherAfterItsRetries) {
    MediaServer server;
    server.AddFile("/fine.jpg", MediaBytes(1000, "fine"));
    RefusingPort refusing;
    ASSERT_NE(refusing.Port(), 0);
    std::vector<std::string> urls;
    // ".invalid" is never a host's name (RFC 2606).
    for (int i = 0; i < 6; ++i) urls.push_back("http://media.example.invalid/" + std::to_string(i) + ".jpg");
    urls.push_back(refusing.Url("/a.jpg"));
    urls.push_back(refusing.Url("/b.jpg"));
    urls.push_back(server.Url("/fine.jpg"));
    MediaCase run(test::PhotoPosts(urls));
    run.options.jobs = 1;
    run.options.retries = 2;
    run.options.retryDelay = 1s;

    const media::MediaSummary summary = run.Run();

    EXPECT_TRUE(summary.status.ok()) << summary.status.text();
    EXPECT_EQ(summary.kept, 1);
    EXPECT_EQ(summary.failed, 8);
    const std::string refused =
        "127.0.0.1:" + std::to_string(refusing.Port()) + " did not accept a connection";
    EXPECT_EQ(summary.commonestFailures,
              (std::vector<media::FailureReason>{
                  {"media.example.invalid could not be found", 6, StatusKind::Network},
                  {refused, 2, StatusKind::Network}}));
    const auto manifest = run.Manifest();
    EXPECT_EQ(media::StatusText(manifest.at(urls[5])), "failed: media.example.invalid could not be found");
    EXPECT_EQ(media::StatusText(manifest.at(urls[7])), "failed: " + refused);
    // The waits were retries of ours, each naming what it waits out; no host asked for one.
    std::set<std::string> causes;
    for (const media::MediaProgress& report : run.host.reports) {
        if (report.waiting.count() == 0) continue;
        EXPECT_FALSE(report.hostAsked);
        causes.insert(report.waitCause);
    }
    // Both hosts wait side by side and a report names one wait, so which of them is seen depends on timing.
    const std::set<std::string> named = {"media.example.invalid could not be found", refused};
    EXPECT_FALSE(causes.empty());
    for (const std::string& cause : causes) EXPECT_TRUE(named.contains(cause)) << cause;
    // One retry cycle for each host (1 s, then 2 s, waited side by side), not one for each file after
    // another.
    EXPECT_LT(run.host.waited, 6s);
}

TEST(MediaRun, RedirectsAreFollowedToAnotherHostAndTheFileIsNamedAfterTheListedAddress) {
    MediaServer server;
    MediaServer other;
    const std::string content = MediaBytes(5000, "moved");
    other.AddFile("/cdn/final.jpg", content);
    server.Script("/old/photo.jpg", {ScriptedResponse::Redirect(301, server.Url("/hop.jpg"))});
    server.Script("/hop.jpg", {ScriptedResponse::Redirect(302, other.Url("/cdn/final.jpg"))});
    // Eleven hops are one too many.
    for (int hop = 0; hop < 11; ++hop)
        server.Script("/loop" + std::to_string(hop),
                      {ScriptedResponse::Redirect(302, server.Url("/loop" + std::to_string(hop + 1)))});
    server.AddFile("/loop11", "never reached");
    server.Script("/ftp.jpg", {ScriptedResponse::Redirect(302, "ftp://127.0.0.1/file.jpg")});
    MediaCase run(
        test::PhotoPosts({server.Url("/old/photo.jpg"), server.Url("/loop0"), server.Url("/ftp.jpg")}));
    run.options.retries = 0;

    const media::MediaSummary summary = run.Run();

    EXPECT_EQ(summary.kept, 1);
    EXPECT_EQ(summary.failed, 2);
    EXPECT_EQ(ReadAll(run.MediaFile("photo.jpg")), content);
    const auto manifest = run.Manifest();
    EXPECT_EQ(manifest.at(server.Url("/old/photo.jpg")).file, "photo.jpg");
    EXPECT_EQ(manifest.at(server.Url("/loop0")).status, MediaStatus::Failed);
    EXPECT_EQ(server.Requests("/loop10"), 1);
    EXPECT_EQ(server.Requests("/loop11"), 0);
    EXPECT_EQ(manifest.at(server.Url("/ftp.jpg")).status, MediaStatus::Failed);
    // No credentials of any kind travel with a media request.
    for (const auto& exchange : other.Http().Exchanges()) {
        EXPECT_FALSE(exchange.Header("Authorization"));
        EXPECT_FALSE(exchange.Header("Cookie"));
    }
}

TEST(MediaRun, ABodyShorterThanItsContentLengthIsNeverKept) {
    MediaServer server;
    const std::string content = MediaBytes(20000, "short");
    server.AddFile("/once.jpg", content);
    ScriptedResponse cut = ScriptedResponse::Ok(content, "image/jpeg");
    cut.closeAfterBodyBytes = 7000;
    server.Script("/once.jpg", {cut});
    server.Script("/always.jpg", {cut, cut, cut});
    MediaCase run(test::PhotoPosts({server.Url("/once.jpg"), server.Url("/always.jpg")}));
    run.options.retries = 2;

    const media::MediaSummary summary = run.Run();

    EXPECT_EQ(summary.kept, 1);
    EXPECT_EQ(summary.failed, 1);
    EXPECT_EQ(ReadAll(run.MediaFile("once.jpg")), content);
    EXPECT_EQ(server.Requests("/once.jpg"), 2);
    EXPECT_EQ(server.Requests("/always.jpg"), 3);
    EXPECT_EQ(run.Manifest().at(server.Url("/always.jpg")).status, MediaStatus::Failed);
    EXPECT_EQ(run.Files(), (std::vector<std::string>{"manifest.tsv", "once.jpg"}));
}

TEST(MediaRun, AFileOverTheCapFailsAsTooLargeWhetherOrNotItsSizeIsAnnounced) {
    MediaServer server;
    server.AddFile("/announced.jpg", MediaBytes(50000, "a"));
    ScriptedResponse unannounced = ScriptedResponse::Ok(MediaBytes(50000, "u"), "image/jpeg");
    unannounced.omitContentLength = true;
    server.Script("/unannounced.jpg", {unannounced});
    server.AddFile("/small.jpg", MediaBytes(4096, "s"));
    MediaCase run(test::PhotoPosts(
        {server.Url("/announced.jpg"), server.Url("/unannounced.jpg"), server.Url("/small.jpg")}));
    run.options.limits.maxBodyBytes = 4096;

    const media::MediaSummary summary = run.Run();

    EXPECT_EQ(summary.kept, 1);
    EXPECT_EQ(summary.failed, 2);
    const auto manifest = run.Manifest();
    EXPECT_EQ(media::StatusText(manifest.at(server.Url("/announced.jpg"))), "failed: too large");
    EXPECT_EQ(media::StatusText(manifest.at(server.Url("/unannounced.jpg"))), "failed: too large");
    EXPECT_EQ(summary.commonestFailures,
              (std::vector<media::FailureReason>{{"too large", 2, StatusKind::TooLarge}}));
    // Too large stays too large: no retry.
    EXPECT_EQ(server.Requests("/announced.jpg"), 1);
    EXPECT_EQ(server.Requests("/unannounced.jpg"), 1);
    EXPECT_EQ(run.Files(), (std::vector<std::string>{"manifest.tsv", "small.jpg"}));
}

TEST(MediaRun, NamesFromTheServerStayInsideTheFolderAndNeverTakeAFileTheManifestDoesNotList) {
    MediaServer server;
    const std::string passwd = MediaBytes(100, "passwd"), first = MediaBytes(200, "first"),
                      second = MediaBytes(300, "second");
    server.AddFile("/x/..%2F..%2Fetc%2Fpasswd", passwd);
    server.AddFile("/a/photo.jpg", first);
    server.AddFile("/b/Photo.JPG", second);
    server.AddFile("/c/escape.jpg", MediaBytes(400, "escape"));
    MediaCase run(test::PhotoPosts({server.Url("/x/..%2F..%2Fetc%2Fpasswd"), server.Url("/a/photo.jpg"),
                                    server.Url("/b/Photo.JPG"), server.Url("/c/escape.jpg")}));
    // A link planted under a name the run would use is neither written through nor replaced,
    // and a file of the user's own stays as it is.
    std::filesystem::create_directory(run.Media());
    const std::string outside = run.folder.File("outside.txt");
    WriteAll(outside, "untouched");
    ASSERT_EQ(symlink(outside.c_str(), run.MediaFile("photo.jpg").c_str()), 0);
    WriteAll(run.MediaFile("passwd"), "the user's own");
    WriteAll(run.MediaFile(".part-abc123"), "a piece a killed run left");
    // An edited or foreign manifest that names a path for a kept file is not followed out of the folder.
    WriteAll(run.MediaFile(media::kManifestFileName), std::string(media::kManifestHeader) + "\n" +
                                                          server.Url("/c/escape.jpg") +
                                                          "\t../escape.jpg\t1\t\tkept\t997\n");

    const media::MediaSummary summary = run.Run();

    EXPECT_TRUE(summary.AllSettled()) << summary.status.text();
    EXPECT_EQ(ReadAll(outside), "untouched");
    EXPECT_EQ(run.folder.Entries(), (std::vector<std::string>{"blog.media", "blog.xml", "outside.txt"}));
    struct stat info {};
    ASSERT_EQ(lstat(run.MediaFile("photo.jpg").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    const auto manifest = run.Manifest();
    const std::string passwdName = manifest.at(server.Url("/x/..%2F..%2Fetc%2Fpasswd")).file;
    const std::string firstName = manifest.at(server.Url("/a/photo.jpg")).file;
    const std::string secondName = manifest.at(server.Url("/b/Photo.JPG")).file;
    EXPECT_EQ(passwdName, media::HashedFileName("passwd", server.Url("/x/..%2F..%2Fetc%2Fpasswd")));
    EXPECT_EQ(ReadAll(run.MediaFile("passwd")), "the user's own");
    EXPECT_EQ(firstName, media::HashedFileName("photo.jpg", server.Url("/a/photo.jpg")));
    EXPECT_EQ(secondName, media::HashedFileName("Photo.JPG", server.Url("/b/Photo.JPG")));
    EXPECT_EQ(ReadAll(run.MediaFile(passwdName)), passwd);
    EXPECT_EQ(ReadAll(run.MediaFile(firstName)), first);
    EXPECT_EQ(ReadAll(run.MediaFile(secondName)), second);
    EXPECT_EQ(manifest.at(server.Url("/c/escape.jpg")).file, "escape.jpg");
    EXPECT_EQ(ReadAll(run.MediaFile("escape.jpg")), MediaBytes(400, "escape"));
    EXPECT_EQ(run.Files().size(), 7u) << "the piece is gone";
}

TEST(MediaRun, ANameWithoutExtensionGetsTheOneItsTypeNamesButNeverAnotherFilesNameAndARerunFindsIt) {
    struct Case {
        std::string path, type, name;
        bool hashed = false;  // the name is taken: kept under it with the address's hash
    };
    const std::vector<Case> cases{
        {"/audio_file/7/tumblr_abc", "Audio/MPEG; charset=x", "tumblr_abc.mp3"},
        {"/v/clip", "video/quicktime", "clip.mov", true},  // the user's own file
        {"/a/song", "audio/mpeg", "song.mp3", true},       // the next address's name
        {"/b/song.mp3", "audio/mpeg", "song.mp3"},
        {"/p/photo.jpg", "image/png", "photo.jpg"},  // a name with an extension keeps it
        {"/i/drawing", "image/svg+xml", "drawing"},  // never made a page that a double-click opens
        {"/x/blob", "application/octet-stream", "blob"}};
    MediaServer server;
    std::vector<std::string> urls;
    for (const Case& file : cases) {
        server.AddFile(file.path, MediaBytes(1000, file.path), 0, file.type);
        urls.push_back(server.Url(file.path));
    }
    MediaCase run(test::PhotoPosts(urls));
    std::filesystem::create_directory(run.Media());
    WriteAll(run.MediaFile("clip.mov"), "the user's own");

    const media::MediaSummary first = run.Run();

    EXPECT_TRUE(first.AllSettled()) << first.status.text();
    EXPECT_EQ(first.kept, 7);
    const auto manifest = run.Manifest();
    std::vector<std::string> names{"clip.mov", "manifest.tsv"};
    for (const Case& file : cases) {
        const std::string url = server.Url(file.path);
        const std::string name = file.hashed ? media::HashedFileName(file.name, url) : file.name;
        EXPECT_EQ(manifest.at(url).file, name) << file.path;
        EXPECT_EQ(ReadAll(run.MediaFile(name)), MediaBytes(1000, file.path)) << file.path;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(run.Files(), names);
    EXPECT_EQ(ReadAll(run.MediaFile("clip.mov")), "the user's own");

    const media::MediaSummary second = run.Run();
    EXPECT_TRUE(second.AllSettled()) << second.status.text();
    EXPECT_EQ(second.alreadyThere, 7);
    EXPECT_EQ(server.TotalRequests(), 7);
}

TEST(MediaRun, NoMoreConnectionsAtOnceThanJobsAndConnectionsAreKeptAlive) {
    for (const int jobs : {1, 3}) {
        MediaServer server;
        std::vector<std::string> urls;
        for (int i = 0; i < 24; ++i) {
            const std::string path = "/f/" + std::to_string(i) + ".jpg";
            server.AddFile(path, MediaBytes(2000, path), 30);
            urls.push_back(server.Url(path));
        }
        MediaCase run(test::PhotoPosts(urls));
        run.options.jobs = jobs;

        const media::MediaSummary summary = run.Run();

        EXPECT_EQ(summary.kept, 24) << "jobs " << jobs;
        EXPECT_EQ(server.Http().PeakConnections(), jobs);
        // 24 requests over kept-alive connections: a connection each at most for the jobs.
        std::set<int> connections;
        for (const auto& exchange : server.Http().Exchanges()) connections.insert(exchange.connection);
        EXPECT_EQ(connections.size(), static_cast<std::size_t>(jobs));
    }
}

TEST(MediaRun, AFullDiskEndsTheRunAndKeepsWhatWasKept) {
    MediaServer server;
    std::vector<std::string> urls;
    for (int i = 0; i < 5; ++i) {
        const std::string path = "/" + std::to_string(i) + ".jpg";
        server.AddFile(path, MediaBytes(10000, path));
        urls.push_back(server.Url(path));
    }
    MediaCase run(test::PhotoPosts(urls));
    run.options.jobs = 1;
    // Room for the first manifest, two files and their manifests, not for the third file.
    RecordingFileOps disk;
    disk.LimitRoom(25000);

    const media::MediaSummary first = run.Run(disk);

    EXPECT_TRUE(first.status.Is(StatusKind::FileSystem)) << first.status.text();
    EXPECT_EQ(first.kept, 2);
    EXPECT_EQ(first.failed, 1);
    EXPECT_LT(server.TotalRequests(), 5);
    EXPECT_TRUE(NoPieces(run));
    const auto manifest = run.Manifest();
    EXPECT_EQ(manifest.at(urls[0]).status, MediaStatus::Kept);
    EXPECT_EQ(manifest.at(urls[1]).status, MediaStatus::Kept);

    // With room again, the next run fetches only the rest.
    const media::MediaSummary second = run.Run();
    EXPECT_TRUE(second.AllSettled()) << second.status.text();
    EXPECT_EQ(second.alreadyThere, 2);
    EXPECT_EQ(second.kept, 3);
    EXPECT_EQ(server.Requests("/0.jpg"), 1);
    EXPECT_EQ(server.Requests("/1.jpg"), 1);
}

// How often manifest.tsv was replaced, and with how many bytes in all.
std::pair<int, long long> ManifestSaves(const RecordingFileOps& files) {
    int replacements = 0;
    long long bytes = 0;
    for (const auto& call : files.Calls()) {
        if (call.op == RecordingFileOps::Op::Rename && call.to.ends_with("/manifest.tsv")) ++replacements;
        if (call.op == RecordingFileOps::Op::Write && call.path.find("/manifest.tsv.") != std::string::npos)
            bytes += call.bytes;
    }
    return {replacements, bytes};
}

TEST(MediaRun, TheManifestIsReplacedRarelyAndWrittenInProportionToItsLines) {
    MediaServer server;
    std::vector<std::string> urls;
    for (int i = 0; i < 300; ++i) {
        const std::string path = "/many/" + std::to_string(i) + ".jpg";
        server.AddFile(path, MediaBytes(300, path));
        urls.push_back(server.Url(path));
    }
    // By default 300 lines never fill the journal: the manifest is written when the run
    // begins and when it ends. With a small journal it is replaced during the run too,
    // each time once the journal is as long as the manifest.
    for (const std::size_t journalBytes : {std::size_t{64 * 1024}, std::size_t{2048}}) {
        MediaCase run(test::PhotoPosts(urls));
        run.options.replaceManifestAfter = journalBytes;
        RecordingFileOps files;

        const media::MediaSummary summary = run.Run(files);
        const auto [replacements, manifestBytes] = ManifestSaves(files);

        ASSERT_TRUE(summary.AllSettled()) << summary.status.text();
        EXPECT_EQ(summary.kept, 300);
        const auto manifest = run.Manifest();
        EXPECT_EQ(manifest.size(), 300u);
        for (const std::string& url : urls) EXPECT_EQ(manifest.at(url).status, MediaStatus::Kept) << url;
        EXPECT_TRUE(NoPieces(run)) << "no journal is left";
        const auto finalBytes = static_cast<long long>(ReadAll(run.MediaFile("manifest.tsv")).size());
        if (journalBytes > 2048) {
            EXPECT_EQ(replacements, 2);
            EXPECT_LT(manifestBytes, finalBytes + 100);
        } else {
            EXPECT_GE(replacements, 4);
            EXPECT_LE(replacements, 9);
            EXPECT_LT(manifestBytes, 3 * finalBytes);
        }
    }
}

TEST(MediaRun, ARerunFetchesOnlyWhatIsNotKeptAndRetriesEarlierFailures) {
    MediaServer server;
    for (const char* path : {"/a.jpg", "/b.jpg", "/c.jpg", "/d.jpg"})
        server.AddFile(path, MediaBytes(3000, path));
    server.Script("/c.jpg", {ScriptedResponse::Status(500)});
    MediaCase run(test::PhotoPosts({server.Url("/a.jpg"), server.Url("/b.jpg"), server.Url("/c.jpg"),
                                    server.Url("/d.jpg"), server.Url("/missing.jpg")}));
    run.options.retries = 0;

    const media::MediaSummary first = run.Run();
    EXPECT_EQ(first.kept, 3);
    EXPECT_EQ(first.failed, 1);
    EXPECT_EQ(first.missing, 1);

    // The user deleted a kept file, and another was cut short (a copy that
    // stopped, a disk that failed): both are fetched again under their old names.
    std::filesystem::remove(run.MediaFile("b.jpg"));
    std::filesystem::resize_file(run.MediaFile("d.jpg"), 1000);
    const media::MediaSummary second = run.Run();

    EXPECT_TRUE(second.AllSettled()) << second.status.text();
    EXPECT_EQ(second.alreadyThere, 1);
    EXPECT_EQ(second.kept, 3);
    EXPECT_EQ(second.missing, 1);
    EXPECT_EQ(server.Requests("/a.jpg"), 1);
    EXPECT_EQ(server.Requests("/b.jpg"), 2);
    EXPECT_EQ(server.Requests("/c.jpg"), 2);
    EXPECT_EQ(server.Requests("/d.jpg"), 2);
    EXPECT_EQ(server.Requests("/missing.jpg"), 1);
    EXPECT_EQ(run.Manifest().at(server.Url("/b.jpg")).file, "b.jpg");
    EXPECT_TRUE(ReadAll(run.MediaFile("d.jpg")) == MediaBytes(3000, "/d.jpg")) << "d.jpg is whole again";
    EXPECT_EQ(run.Manifest().at(server.Url("/c.jpg")).status, MediaStatus::Kept);
}

TEST(MediaRun, AStopAbandonsTransfersLeavesNoPiecesAndTheNextRunGoesOn) {
    MediaServer server;
    std::vector<std::string> urls;
    for (int i = 0; i < 12; ++i) {
        const std::string path = "/s/" + std::to_string(i) + ".jpg";
        server.AddFile(path, MediaBytes(40000, path), i < 3 ? 0 : 200);
        urls.push_back(server.Url(path));
    }
    MediaCase run(test::PhotoPosts(urls));
    run.options.jobs = 2;
    run.host.onProgress = [&](const media::MediaProgress& progress) {
        if (progress.kept >= 3) run.host.stop = true;
    };

    const media::MediaSummary first = run.Run();

    EXPECT_TRUE(first.status.Is(StatusKind::Cancelled)) << first.status.text();
    EXPECT_GE(first.kept, 3);
    EXPECT_LT(first.kept, 12);
    EXPECT_TRUE(NoPieces(run));
    const auto kept = run.Manifest();
    EXPECT_EQ(kept.size(), static_cast<std::size_t>(first.kept));

    run.host.stop = false;
    run.host.onProgress = nullptr;
    const media::MediaSummary second = run.Run();
    EXPECT_TRUE(second.AllSettled()) << second.status.text();
    EXPECT_EQ(second.alreadyThere, first.kept);
    EXPECT_EQ(second.alreadyThere + second.kept, 12);
    for (const auto& [url, entry] : kept) EXPECT_EQ(server.Requests(url.substr(url.find("/s/"))), 1) << url;
}

TEST(MediaRun, ASecondRunInTheFolderLeavesItToTheFirstAndItsPiecesAlone) {
    MediaServer server;
    std::vector<std::string> urls;
    for (int i = 0; i < 6; ++i) {
        const std::string path = "/r/" + std::to_string(i) + ".jpg";
        server.AddFile(path, MediaBytes(200000, path), 100);
        urls.push_back(server.Url(path));
    }
    MediaCase run(test::PhotoPosts(urls));
    run.options.jobs = 2;
    // Started while the first has a file on its way: a second terminal, a timer, the same command twice.
    std::optional<media::MediaSummary> second;
    run.host.onProgress = [&](const media::MediaProgress& progress) {
        if (second || progress.bytes == 0) return;
        http::HttpClient client(media::MediaClientOptions(run.options));
        test::RecordingMediaHost host;
        second = media::KeepMedia(run.options, client, SystemFileOps(), host);
    };

    const media::MediaSummary first = run.Run();

    ASSERT_TRUE(second.has_value());
    EXPECT_FALSE(second->started);
    EXPECT_TRUE(second->status.Is(StatusKind::Busy)) << second->status.text();
    EXPECT_TRUE(first.AllSettled()) << first.status.text();
    EXPECT_EQ(first.kept, 6);
    EXPECT_EQ(server.TotalRequests(), 6);
    EXPECT_EQ(run.Manifest().size(), 6u);
    EXPECT_TRUE(NoPieces(run));
}

}  // namespace
}  // namespace qv
