// A run killed outright in the middle of a file (as by SIGKILL or a power
// cut): nothing it kept is fetched again, and its half file never counts.
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

    const auto keptBefore = run.Manifest();
    ASSERT_EQ(keptBefore.size(), 4u);
    for (const auto& [url, entry] : keptBefore) EXPECT_EQ(entry.status, MediaStatus::Kept) << url;

    const media::MediaSummary resumed = run.Run();

    EXPECT_TRUE(resumed.AllSettled()) << resumed.error;
    EXPECT_EQ(resumed.alreadyThere, 4);
    EXPECT_EQ(resumed.kept, 4);
    for (int i = 0; i < 8; ++i) {
        const std::string path = "/k/" + std::to_string(i) + ".jpg";
        EXPECT_EQ(server.Requests(path), i == 4 ? 2 : 1) << path;
        EXPECT_EQ(ReadAll(run.MediaFile(std::to_string(i) + ".jpg")), MediaBytes(30000, path)) << path;
    }
    // The piece the killed run left is gone.
    const auto names = run.Files();
    EXPECT_TRUE(std::none_of(names.begin(), names.end(),
                             [](const std::string& name) { return name.starts_with("."); }));
}

}  // namespace
}  // namespace qv
