// SPDX-License-Identifier: GPL-3.0-or-later
// Measures keeping media and prints one "name: value" line per figure:
// 2,000 files of 50 KB from a loopback host that takes 20 ms to answer each
// request, one transfer at a time and four, and the peak memory of such a run
// next to an idle run (the same backup with every file already kept), plus a
// single large file to show that a body is streamed, never held, and 10,000
// small files from a host that answers at once, where the cost of recording
// each outcome shows (the bytes written are everything the run wrote: files
// and manifest). Every run happens in a fresh process of its own, so its peak
// memory and its bytes written are its own. An argument picks the figures
// whose names begin with it ("media_10k").
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "LoopbackServer.h"
#include "Measuring.h"
#include "MediaRun.h"
#include "TempFolder.h"

namespace {

using namespace qv::bench;
using namespace qv;

constexpr int kFiles = 2000;
constexpr std::size_t kFileBytes = 50 * 1024;
constexpr int kServiceMs = 20;
constexpr std::size_t kLargeFileBytes = 256 * 1024 * 1024;
constexpr int kManyFiles = 10000;
constexpr std::size_t kSmallFileBytes = 7500;

class QuietHost : public media::IMediaHost {
public:
    void Progress(const media::MediaProgress&) override {}
    bool StopRequested() override { return false; }
    bool Wait(std::chrono::milliseconds duration) override {
        std::this_thread::sleep_for(duration);
        return true;
    }
};

// What this process passed to write() so far.
long long BytesWritten() {
    std::ifstream io("/proc/self/io");
    for (std::string line; std::getline(io, line);)
        if (line.starts_with("wchar:")) return std::stoll(line.substr(6));
    return -1;
}

// In the child: one run, then "milliseconds peak-kB files-kept bytes-written".
int MeasureRun(const std::string& backup, int jobs) {
    media::MediaOptions options;
    options.backupFile = backup;
    options.jobs = jobs;
    http::HttpClient client(media::MediaClientOptions(options));
    QuietHost host;
    const long long writtenBefore = BytesWritten();
    const auto start = Clock::now();
    const media::MediaSummary summary = media::KeepMedia(options, client, SystemFileOps(), host);
    const double ms = MillisecondsSince(start);
    std::printf("%.0f %ld %d %lld\n", summary.AllSettled() ? ms : -1.0, PeakResidentKb(),
                summary.kept + summary.alreadyThere, BytesWritten() - writtenBefore);
    return summary.AllSettled() ? 0 : 1;
}

struct Figures {
    double milliseconds = -1;
    long peakKb = -1;
    int files = 0;
    long long bytesWritten = -1;
};

Figures RunInChild(const std::string& backup, int jobs) {
    const std::string command =
        "/proc/" + std::to_string(getpid()) + "/exe --run '" + backup + "' " + std::to_string(jobs);
    FILE* child = popen(command.c_str(), "r");
    if (!child) throw std::runtime_error("can't start the measuring process");
    Figures figures;
    if (std::fscanf(child, "%lf %ld %d %lld", &figures.milliseconds, &figures.peakKb, &figures.files,
                    &figures.bytesWritten) != 4)
        figures.milliseconds = -1;
    pclose(child);
    return figures;
}

void WriteBackup(const std::string& path, const test::LoopbackServer& server, int files,
                 const std::string& prefix) {
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tumblr version=\"1.0\"><tumblelog name=\"bench\"/>"
           "<posts start=\"0\" total=\""
        << files << "\">";
    for (int i = 0; i < files; ++i) {
        out << "<post id=\"" << 100000 - i << "\" type=\"photo\"><photo-caption>Photo " << i
            << "</photo-caption><photo-url max-width=\"1280\">"
            << server.Url(prefix + std::to_string(i) + "_1280.jpg")
            << "</photo-url><photo-url max-width=\"500\">"
            << server.Url(prefix + std::to_string(i) + "_500.jpg") << "</photo-url></post>";
    }
    out << "</posts></tumblr>\n";
}

double Mb(long kb) { return static_cast<double>(kb) / 1024; }

bool Wanted(int argc, char** argv, const std::string& figure) {
    return argc < 2 || figure.starts_with(argv[1]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--run") return MeasureRun(argv[2], std::stoi(argv[3]));

    const auto small = std::make_shared<const std::string>(kFileBytes, 'm');
    const auto large = std::make_shared<const std::string>(kLargeFileBytes, 'L');
    const auto tiny = std::make_shared<const std::string>(kSmallFileBytes, 't');
    test::LoopbackServer server([&](const test::HttpExchange& exchange) {
        if (exchange.target.starts_with("/many/")) return test::ScriptedResponse::Ok(*tiny, "image/jpeg");
        test::ScriptedResponse response = test::ScriptedResponse::Ok(
            exchange.target.starts_with("/large/") ? *large : *small, "image/jpeg");
        response.delayBeforeHeadersMs = kServiceMs;
        return response;
    });
    server.SetKeepAlive(true);

    test::TempFolder folder;
    for (const int jobs : {1, 4}) {
        if (!Wanted(argc, argv, "media_2k")) break;
        const std::string backup = folder.File("jobs" + std::to_string(jobs) + ".xml");
        WriteBackup(backup, server, kFiles, "/media/" + std::to_string(jobs) + "/");
        const Figures run = RunInChild(backup, jobs);
        std::printf("media_2k_jobs%d_ms: %.0f\n", jobs, run.files == kFiles ? run.milliseconds : -1.0);
        if (jobs != 4) continue;
        // The same backup again: every file is there, nothing is fetched.
        const Figures idle = RunInChild(backup, jobs);
        std::printf("media_2k_peak_rss_mb: %.0f\n", Mb(run.peakKb));
        std::printf("media_idle_peak_rss_mb: %.0f\n", Mb(idle.peakKb));
        std::printf("media_peak_over_idle_mb: %.1f\n", Mb(run.peakKb - idle.peakKb));
    }

    if (Wanted(argc, argv, "media_256mb")) {
        const std::string backup = folder.File("large.xml");
        WriteBackup(backup, server, 1, "/large/");
        const Figures largeRun = RunInChild(backup, 1);
        const Figures largeIdle = RunInChild(backup, 1);
        std::printf("media_256mb_file_ms: %.0f\n", largeRun.files == 1 ? largeRun.milliseconds : -1.0);
        std::printf("media_256mb_file_peak_over_idle_mb: %.1f\n", Mb(largeRun.peakKb - largeIdle.peakKb));
        std::printf("media_peak_over_idle_limit_mb: 64\n");
    }

    if (Wanted(argc, argv, "media_10k")) {
        const std::string backup = folder.File("many.xml");
        WriteBackup(backup, server, kManyFiles, "/many/");
        const Figures many = RunInChild(backup, media::kDefaultJobs);
        std::printf("media_10k_small_ms: %.0f\n", many.files == kManyFiles ? many.milliseconds : -1.0);
        std::printf("media_10k_bytes_written_mb: %.1f\n", static_cast<double>(many.bytesWritten) / 1048576);
        std::printf("media_10k_files_mb: %.1f\n",
                    static_cast<double>(kManyFiles * kSmallFileBytes) / 1048576);
    }
    return 0;
}
