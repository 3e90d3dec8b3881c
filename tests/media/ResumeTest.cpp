// SPDX-License-Identifier: GPL-3.0-or-later
// A run killed outright in the middle of a file (as by SIGKILL or a power
// cut): nothing it kept is fetched again, though the manifest was not replaced
// since, and its half file never counts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "MediaServer.h"
#include "MediaTestSupport.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
using media::MediaStatus;
using test::MediaBytes;
using test::MediaCase;
using test::MediaServer;
using test::ReadAll;
using test::ScriptedResponse;

bool HasPiece(const MediaCase& run) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(run.Media(), error))
        if (entry.path().filename().string().starts_with(".part-") && entry.file_size(error) > 0) return true;
    return false;
}

TEST(MediaResume, ARunKilledMidTransferIsResumedWithoutFetchingWhatItKept) {
    MediaServer server;
    std::vector<std::string> urls;
    for (int i = 0; i < 8; ++i) {
        const std::string path = "/k/" + std::to_string(i) + ".jpg";
        server.AddFile(path, MediaBytes(30000, path));
        urls.push_back(server.Url(path));
    }
    // The fifth file trickles in and is never finished before the kill.
    ScriptedResponse trickle = ScriptedResponse::Ok(MediaBytes(30000, "/k/4.jpg"), "image/jpeg");
    trickle.bodyChunkBytes = 1000;
    trickle.chunkDelayMs = 500;
    server.Script("/k/4.jpg", {trickle});
    MediaCase run(test::PhotoPosts(urls));
    run.options.jobs = 1;

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        run.Run();
        _exit(0);
    }
    bool midTransfer = false;
    for (int tries = 0; tries < 200 && !midTransfer; ++tries) {
        std::this_thread::sleep_for(50ms);
        midTransfer =
            server.Requests("/k/4.jpg") == 1 && std::filesystem::exists(run.Media()) && HasPiece(run);
    }
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(midTransfer) << "the run never got into the fifth file";
    ASSERT_TRUE(WIFSIGNALED(status));

    // The manifest is as the run began; the four files it kept are in the journal.
    EXPECT_TRUE(run.Manifest().empty());
    const auto keptBefore = run.Journal();
    ASSERT_EQ(keptBefore.size(), 4u);
    for (const auto& [url, entry] : keptBefore) EXPECT_EQ(entry.status, MediaStatus::Kept) << url;

    const media::MediaSummary resumed = run.Run();

    EXPECT_TRUE(resumed.AllSettled()) << resumed.status.text();
    EXPECT_EQ(resumed.alreadyThere, 4);
    EXPECT_EQ(resumed.kept, 4);
    for (int i = 0; i < 8; ++i) {
        const std::string path = "/k/" + std::to_string(i) + ".jpg";
        EXPECT_EQ(server.Requests(path), i == 4 ? 2 : 1) << path;
        EXPECT_EQ(ReadAll(run.MediaFile(std::to_string(i) + ".jpg")), MediaBytes(30000, path)) << path;
    }
    // The piece the killed run left is gone, and so is the journal: the manifest holds it all.
    const auto names = run.Files();
    EXPECT_TRUE(std::none_of(names.begin(), names.end(),
                             [](const std::string& name) { return name.starts_with("."); }));
    EXPECT_EQ(run.Manifest().size(), 8u);
}

TEST(MediaResume, TheJournalOfAKilledRunCountsOverTheManifestSaveALineCutShortOrNamingAPath) {
    MediaServer server;
    std::vector<std::string> urls;
    for (const char* name : {"a", "b", "c", "d"}) {
        const std::string path = std::string("/j/") + name + ".jpg";
        server.AddFile(path, MediaBytes(2000, path));
        urls.push_back(server.Url(path));
    }
    MediaCase run(test::PhotoPosts(urls));
    std::filesystem::create_directory(run.Media());
    for (const char* name : {"a", "b", "c"})
        test::WriteAll(run.MediaFile(std::string(name) + ".jpg"),
                       MediaBytes(2000, std::string("/j/") + name + ".jpg"));
    const auto line = [&](int i, const std::string& file, const std::string& status) {
        return urls[i] + "\t" + file + "\t2000\t\t" + status + "\t" + std::to_string(1000 - i) + "\n";
    };
    test::WriteAll(run.MediaFile(media::kManifestFileName), std::string(media::kManifestHeader) + "\n" +
                                                                line(0, "a.jpg", "kept") +
                                                                line(1, "", "failed: HTTP 500"));
    // b was kept after the manifest was last replaced; the append of c was cut
    // off by a power cut before its line break; d names a path.
    std::string cut = line(2, "c.jpg", "kept");
    cut.pop_back();
    test::WriteAll(run.MediaFile(media::kJournalFileName),
                   line(1, "b.jpg", "kept") + line(3, "../d.jpg", "kept") + cut);
    // A run killed while it replaced the manifest left its temporary file.
    const std::string leftover = run.MediaFile(std::string(media::kManifestFileName) + ".saving-Ab12Cd");
    test::WriteAll(leftover, "half a manifest");
    std::filesystem::last_write_time(leftover,
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));

    const media::MediaSummary summary = run.Run();

    EXPECT_TRUE(summary.AllSettled()) << summary.status.text();
    EXPECT_EQ(summary.alreadyThere, 2);
    EXPECT_EQ(summary.kept, 2);
    EXPECT_EQ(server.Requests("/j/a.jpg"), 0);
    EXPECT_EQ(server.Requests("/j/b.jpg"), 0);
    EXPECT_EQ(server.Requests("/j/c.jpg"), 1);
    EXPECT_EQ(server.Requests("/j/d.jpg"), 1);
    EXPECT_FALSE(std::filesystem::exists(run.folder.File("d.jpg")));
    const auto manifest = run.Manifest();
    ASSERT_EQ(manifest.size(), 4u);
    for (const auto& [url, entry] : manifest) EXPECT_EQ(entry.status, MediaStatus::Kept) << url;
    EXPECT_EQ(manifest.at(urls[1]).file, "b.jpg");
    EXPECT_EQ(manifest.at(urls[3]).file, "d.jpg");
    EXPECT_FALSE(std::filesystem::exists(run.MediaFile(media::kJournalFileName)));
    EXPECT_FALSE(std::filesystem::exists(leftover));
}

}  // namespace
}  // namespace qv
