// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the offline view on the generated 100,000-post backup: writing the
// site into an empty folder, writing it again when nothing changed, and the
// peak memory of the first run next to that of loading the backup alone.
// Each measurement runs in a fresh process so its peak memory is its own.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "GeneratedBackup.h"
#include "Measuring.h"
#include "ReadApiServer.h"
#include "Site.h"
#include "TempFolder.h"
#include "Xml.h"

namespace {

using namespace qv::bench;

constexpr int kBigBlog = 100000;
constexpr int kPostBytes = 1000;

// The floor: the backup loaded the way the site loads it, and nothing else.
int MeasureLoad(const std::string& backup) {
    const auto start = Clock::now();
    qv::XmlDocument document;
    if (!document.Load(backup, 0)) return 1;
    std::printf("%.0f %ld\n", MillisecondsSince(start), PeakResidentKb());
    return 0;
}

int MeasureSite(const std::string& backup, const std::string& folder) {
    const auto start = Clock::now();
    qv::site::SiteOptions options;
    options.backupFile = backup;
    options.siteFolder = folder;
    const qv::site::SiteResult result = qv::site::WriteSite(options);
    if (!result.status.ok() || result.posts != static_cast<std::size_t>(kBigBlog)) {
        std::fprintf(stderr, "site failed: %s\n", result.status.text().c_str());
        return 1;
    }
    std::printf("%.0f %ld\n", MillisecondsSince(start), PeakResidentKb());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--load") return MeasureLoad(argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--site") return MeasureSite(argv[2], argv[3]);

    qv::test::TempFolder folder;
    const std::string backup = folder.File("big.xml");
    qv::bench::WriteBackup(backup, qv::test::MakePosts(kBigBlog, 10000000000LL, 3, kPostBytes));
    const std::string site = folder.File("big.html");

    const ChildFigures load = InChild("--load", backup, "-");
    const ChildFigures fresh = InChild("--site", backup, site);
    const ChildFigures again = InChild("--site", backup, site);
    std::printf("html_100k_ms: %.0f\n", fresh.milliseconds);
    std::printf("html_100k_unchanged_ms: %.0f\n", again.milliseconds);
    std::printf("html_peak_rss_mb: %.0f\n", static_cast<double>(fresh.peakKb) / 1024);
    std::printf("load_peak_rss_mb: %.0f\n", static_cast<double>(load.peakKb) / 1024);
    std::printf("html_peak_rss_limit_mb: %.0f\n", 2.0 * static_cast<double>(load.peakKb) / 1024);
    return 0;
}
