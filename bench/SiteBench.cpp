// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the offline view on the generated 100,000-post backup: writing the
// site into an empty folder, writing it again when nothing changed, and the
// peak memory of the first run next to that of loading the backup alone.
// The floor is what the same files cost to write with plain stdio and no
// sync; the site's times are judged as multiples of the floor measured in the
// same run, in time passed and in processor time, since the machine may be
// busy with other work. Each measurement runs in a fresh process so its peak
// memory is its own.
//
//   qv_site_bench [ROUNDS]          the figures, each the fastest of ROUNDS rounds (1)
//   qv_site_bench --backup FILE -   only writes the backup, for profiling by hand
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "GeneratedBackup.h"
#include "Measuring.h"
#include "ReadApiServer.h"
#include "Site.h"
#include "TempFolder.h"
#include "Xml.h"

namespace {

namespace fs = std::filesystem;
using namespace qv::bench;

constexpr int kBigBlog = 100000;
constexpr int kPostBytes = 1000;

// The file a site keeps to know its pages again; not a page, so not in the floor.
constexpr const char* kSiteIndexName = ".quillvault-site-index";

// The backup loaded the way the site loads it, and nothing else.
int MeasureLoad(const std::string& backup) {
    const auto start = Clock::now();
    qv::XmlDocument document;
    if (!document.Load(backup, 0)) return 1;
    std::printf("%.0f %ld\n", MillisecondsSince(start), PeakResidentKb());
    return 0;
}

int MeasureSite(const std::string& backup, const std::string& folder) {
    const auto start = Clock::now();
    const double cpu = CpuMilliseconds();
    qv::site::SiteOptions options;
    options.backupFile = backup;
    options.siteFolder = folder;
    const qv::site::SiteResult result = qv::site::WriteSite(options);
    if (!result.status.ok() || result.posts != static_cast<std::size_t>(kBigBlog)) {
        std::fprintf(stderr, "site failed: %s\n", result.status.text().c_str());
        return 1;
    }
    std::printf("%.0f %ld %.0f\n", MillisecondsSince(start), PeakResidentKb(), CpuMilliseconds() - cpu);
    return 0;
}

// Writes the files of `site` (same names, same bytes) into the new folder
// `copy` with fopen, fwrite and fclose; only the writing is timed.
int MeasureFloor(const std::string& site, const std::string& copy) {
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> folders;
    for (const auto& entry : fs::recursive_directory_iterator(site)) {
        const std::string name = fs::relative(entry.path(), site).generic_string();
        if (entry.is_directory()) folders.push_back(name);
        if (!entry.is_regular_file() || name == kSiteIndexName) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files.emplace_back(name, std::string(std::istreambuf_iterator<char>(in), {}));
    }
    const auto start = Clock::now();
    const double cpu = CpuMilliseconds();
    fs::create_directory(copy);
    for (const std::string& folder : folders) fs::create_directory(copy + "/" + folder);
    for (const auto& [name, bytes] : files) {
        FILE* file = std::fopen((copy + "/" + name).c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) return 1;
        if (std::fclose(file) != 0) return 1;
    }
    std::printf("%.0f %ld %.0f\n", MillisecondsSince(start), PeakResidentKb(), CpuMilliseconds() - cpu);
    return 0;
}

struct Round {
    ChildFigures floor, fresh, again;
};

// One round in folders of its own: the floor of the reference site's files,
// the site into an empty folder and again with nothing changed; every other
// round writes the site before the floor, so that neither always meets what
// the other left for the disk. Folders stay until the end: files removed in
// their thousands make the next ones slower to create for a while.
Round MeasureRound(const std::string& backup, const std::string& reference,
                   const qv::test::TempFolder& folder, int round) {
    const std::string site = folder.File("site-" + std::to_string(round));
    const std::string copy = folder.File("floor-" + std::to_string(round));
    // Each starts with no other run's pages still on their way to the disk.
    const auto measure = [](const char* mode, const std::string& file, const std::string& argument) {
        ::sync();
        return InChild(mode, file, argument);
    };
    Round figures;
    if (round % 2 == 0) figures.floor = measure("--floor", reference, copy);
    figures.fresh = measure("--site", backup, site);
    figures.again = measure("--site", backup, site);
    if (round % 2 == 1) figures.floor = measure("--floor", reference, copy);
    return figures;
}

double Ratio(double run, double floor) { return run > 0 && floor > 0 ? run / floor : -1; }

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--load") return MeasureLoad(argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--site") return MeasureSite(argv[2], argv[3]);
    if (argc == 4 && std::string(argv[1]) == "--floor") return MeasureFloor(argv[2], argv[3]);
    if (argc == 4 && std::string(argv[1]) == "--backup") {
        qv::bench::WriteBackup(argv[2], qv::test::MakePosts(kBigBlog, 10000000000LL, 3, kPostBytes));
        return 0;
    }
    const int rounds = argc == 2 ? std::max(1, std::atoi(argv[1])) : 1;

    // Files removed just before (a previous run's folders) make new ones slow
    // to create for a while; on the disk, that while starts now.
    ::sync();
    qv::test::TempFolder folder;
    const std::string backup = folder.File("big.xml");
    qv::bench::WriteBackup(backup, qv::test::MakePosts(kBigBlog, 10000000000LL, 3, kPostBytes));

    const ChildFigures load = InChild("--load", backup, "-");
    const std::string reference = folder.File("reference");
    if (InChild("--site", backup, reference).milliseconds < 0) return 1;
    std::vector<Round> all;
    for (int round = 0; round < rounds; ++round) {
        all.push_back(MeasureRound(backup, reference, folder, round));
        const Round& last = all.back();
        std::fprintf(stderr,
                     "round %d: floor %.0f ms (%.0f ms processor), fresh %.0f ms (%.2fx; processor %.2fx), "
                     "unchanged %.0f ms (%.2fx; processor %.2fx)\n",
                     round + 1, last.floor.milliseconds, last.floor.cpuMilliseconds, last.fresh.milliseconds,
                     Ratio(last.fresh.milliseconds, last.floor.milliseconds),
                     Ratio(last.fresh.cpuMilliseconds, last.floor.cpuMilliseconds), last.again.milliseconds,
                     Ratio(last.again.milliseconds, last.floor.milliseconds),
                     Ratio(last.again.cpuMilliseconds, last.floor.cpuMilliseconds));
    }
    // Each figure at its least disturbed: the fastest of the rounds.
    const auto fastest = [&all](ChildFigures Round::*figure, double ChildFigures::*measure) {
        double best = -1;
        for (const Round& round : all) {
            const double value = (round.*figure).*measure;
            if (value >= 0 && (best < 0 || value < best)) best = value;
        }
        return best;
    };
    const double floor = fastest(&Round::floor, &ChildFigures::milliseconds);
    const double fresh = fastest(&Round::fresh, &ChildFigures::milliseconds);
    const double again = fastest(&Round::again, &ChildFigures::milliseconds);
    const double floorCpu = fastest(&Round::floor, &ChildFigures::cpuMilliseconds);
    long peakKb = 0;
    for (const Round& round : all) peakKb = std::max({peakKb, round.fresh.peakKb, round.again.peakKb});
    std::printf("html_files_floor_ms: %.0f\n", floor);
    std::printf("html_100k_ms: %.0f\n", fresh);
    std::printf("html_100k_unchanged_ms: %.0f\n", again);
    std::printf("html_100k_floor_ratio: %.2f\n", Ratio(fresh, floor));
    std::printf("html_100k_unchanged_floor_ratio: %.2f\n", Ratio(again, floor));
    std::printf("html_files_floor_cpu_ms: %.0f\n", floorCpu);
    std::printf("html_100k_cpu_floor_ratio: %.2f\n",
                Ratio(fastest(&Round::fresh, &ChildFigures::cpuMilliseconds), floorCpu));
    std::printf("html_100k_unchanged_cpu_floor_ratio: %.2f\n",
                Ratio(fastest(&Round::again, &ChildFigures::cpuMilliseconds), floorCpu));
    std::printf("html_peak_rss_mb: %.0f\n", static_cast<double>(peakKb) / 1024);
    std::printf("load_peak_rss_mb: %.0f\n", static_cast<double>(load.peakKb) / 1024);
    std::printf("html_peak_rss_limit_mb: %.0f\n", 2.0 * static_cast<double>(load.peakKb) / 1024);
    return 0;
}
