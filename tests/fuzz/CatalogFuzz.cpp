// SPDX-License-Identifier: GPL-3.0-or-later
// library.json as every front end reads it: the list loaded (a damaged one
// set aside, a newer version's left alone), then a saved backup recorded in it as a run does after its
// save. The list written must load again, undamaged, with every entry it had.
//
// Input: the text of library.json.
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "MemoryFiles.h"
#include "../support/TempFolder.h"
#include "catalog/BackupCatalog.h"

namespace {

// A change takes the list's lock, a file in the data folder on the disk; the
// list itself lives in memory.
const std::string& TheDataFolder() {
    static const qv::test::TempFolder folder;
    static const std::string path = folder.Path().string();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    TheDataFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    using qv::fuzz::Require;
    const std::string& folder = TheDataFolder();
    const std::string file = catalog::CatalogFile(folder);
    fuzz::MemoryFiles files;
    files.PutFolder(folder);
    files.Put(file, std::string(fuzz::AsText(data, size)));

    const std::string input(fuzz::AsText(data, size));
    const catalog::Loaded loaded = catalog::Load(folder, files);
    if (!loaded.warning.empty()) {
        Require(loaded.entries.empty(), "a list that is not read gives no entries");
        if (!files.Content(file)) return 0;  // damaged: set aside, the list starts empty
        // Left in place, it is a newer version's list: no change may rewrite it.
        Require(files.Content(file) == input, "a list that is not read is set aside or left as it was");
        const catalog::Changed refused =
            catalog::Record(folder, catalog::SavedNow("/backups/blog.xml", "blog.example.com", "A blog", 1, 1), files);
        Require(!refused.ok() && files.Content(file) == input, "a newer version's list is never rewritten");
        return 0;
    }

    catalog::CatalogEntry saved =
        catalog::SavedNow("/backups/blog.xml", "blog.example.com", "A blog", 12, 20);
    saved.proxy = catalog::kNoProxy;
    const catalog::Changed recorded = catalog::Record(folder, saved, files);
    Require(recorded.ok() && !recorded.setAside, "a backup is recorded in a list that loaded",
            recorded.status.text());

    const catalog::Loaded again = catalog::Load(folder, files);
    Require(again.warning.empty(), "the list written loads again", files.Content(file).value_or(""));
    // Every entry stays where it was, but the one of the saved backup's path,
    // which the new entry replaces; without one, the new entry comes last.
    const auto isSaved = [&](const catalog::CatalogEntry& entry) {
        return entry.path == saved.path && entry.updated == saved.updated && entry.posts == saved.posts;
    };
    const std::vector<catalog::CatalogEntry>& before = loaded.entries;
    const std::vector<catalog::CatalogEntry>& after = again.entries;
    bool kept = false;
    if (after.size() == before.size() + 1) {
        kept = std::equal(before.begin(), before.end(), after.begin()) && isSaved(after.back());
    } else if (after.size() == before.size()) {
        std::size_t changed = 0;
        bool savedThere = false;
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (!(after[i] == before[i])) changed += isSaved(after[i]) ? 1 : 2;
            savedThere = savedThere || isSaved(after[i]);
        }
        kept = changed <= 1 && savedThere;
    }
    Require(kept, "the list keeps every entry and records the saved backup once",
            files.Content(file).value_or(""));
    return 0;
}
