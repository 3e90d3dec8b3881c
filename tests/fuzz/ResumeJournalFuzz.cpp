// SPDX-License-Identifier: GPL-3.0-or-later
// The folder an interrupted full run left beside its target: journal.json
// judged, the kept pages read in order and merged again, the run gone on
// with the service and saved, as the next run of the command line does.
//
// Input: journal.json, then each file of the folder as its name on the
// first line and its content after it, separated by kSeparator. The service
// answers every request with the last, empty page. Pages are of two posts:
// the journal knows no other size, and small inputs are read fast.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "PageJournal.h"
#include "RunDoubles.h"
#include "backupfiles/BackupFiles.h"
#include "../support/TempFolder.h"

namespace {

constexpr int32_t kPageSize = 2;

// The journal is judged by its folder on the disk (a link, another user's)
// before anything in it is read: that folder is real and stays empty; what
// it holds lives in memory.
struct Folder {
    Folder() { std::filesystem::create_directory(journal); }
    qv::test::TempFolder root;
    std::string target = root.File("blog.xml");
    std::string journal = qv::backupfiles::JournalFolder(target);
};

const Folder& TheFolder() {
    static const Folder folder;
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("XDG_DATA_HOME", "/dev/null/quillvault-fuzz", 1);
    TheFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    const Folder& folder = TheFolder();
    const std::vector<std::string_view> pieces = fuzz::Pieces(fuzz::AsText(data, size));

    fuzz::MemoryFiles files;
    files.PutFolder(folder.journal);
    files.Put(folder.journal + "/journal.json", std::string(pieces.front()));
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        const std::string_view piece = pieces[i];
        const std::size_t lineEnd = std::min(piece.find('\n'), piece.size());
        const std::string name(piece.substr(0, lineEnd));
        // A name is one entry of the folder; the disk would refuse anything else.
        if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") continue;
        files.Put(folder.journal + "/" + name,
                  std::string(piece.substr(std::min(lineEnd + 1, piece.size()))));
    }

    fuzz::QuickDecisions decisions(true);
    fuzz::QuietHost host;
    RunContext context(decisions, host, files);
    context.now = [] { return std::time_t{1700000000}; };
    context.makeSource = [](const BackupOptions&, RequestServices&) {
        return std::make_unique<fuzz::InputPages>(std::vector<std::string_view>{}, kPageSize, false);
    };
    BackupOptions options;
    options.XMLFileName = folder.target;
    options.GroupAddress = "blog.example.com";
    PageJournal journal(
        folder.target, options.GroupAddress, kPageSize, false, false, [](const std::string&) {}, files);
    context.journal = &journal;

    const BackupResult result = RunBackup(options, context);
    if (result.ok()) {
        fuzz::CheckSavedBackup(files.Content(folder.target).value_or(""), result);
        std::vector<std::string> left;
        fuzz::Require(files.ListFolder(folder.journal, left) != 0, "a saved backup's journal goes");
    }
    return 0;
}
