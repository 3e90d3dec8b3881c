// SPDX-License-Identifier: GPL-3.0-or-later
// Received pages into the backup: each page read and checked as the service's
// answer, merged (into a small earlier backup, or as a full run), the posts
// ordered and the backup saved, all through the one run a front end starts.
//
// Input: one byte of switches, then the pages the service answers in turn,
// separated by kSeparator. Switches: bit 0 extends an earlier backup, bit 1
// asks for an unreadable page in pieces, bit 2 makes the posts private, bits
// 4 to 7 choose the page size.
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "RunDoubles.h"

namespace {

constexpr const char* kFolder = "/backups";
constexpr const char* kTarget = "/backups/blog.xml";
constexpr int32_t kPageSizes[16] = {1, 2, 3, 4, 5, 6, 7, 8, 10, 12, 16, 20, 25, 32, 40, 50};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The run's log has nowhere to go: millions of runs would fill a disk.
    setenv("XDG_DATA_HOME", "/dev/null/quillvault-fuzz", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    const fuzz::Switches switches = fuzz::TakeSwitches(fuzz::AsText(data, size));
    const int32_t pageSize = kPageSizes[switches.bits >> 4];

    fuzz::MemoryFiles files;
    files.PutFolder(kFolder);
    fuzz::QuickDecisions decisions(switches.On(1));
    fuzz::QuietHost host;
    RunContext context(decisions, host, files);
    context.now = [] { return std::time_t{1700000000}; };
    context.makeSource = [&](const BackupOptions&, RequestServices&) {
        return std::make_unique<fuzz::InputPages>(fuzz::Pieces(switches.text), pageSize, switches.On(2));
    };
    BackupOptions options;
    options.XMLFileName = kTarget;
    if (switches.On(0)) options.XMLBaseFileName = QV_FIXTURES_DIR "/12-page3-start100-last-20-posts.xml";
    options.GroupAddress = "blog.example.com";

    const BackupResult result = RunBackup(options, context);
    fuzz::CheckFolderAfterRun(files, kFolder, kTarget, result);
    if (result.ok()) fuzz::CheckSavedBackup(files.Content(kTarget).value_or(""), result);
    return 0;
}
