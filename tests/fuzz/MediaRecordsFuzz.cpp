// SPDX-License-Identifier: GPL-3.0-or-later
// A media folder's records, as the media run, the offline view and the
// Library read them: manifest.tsv, then the journal a killed run left over
// it. What is read is written back by the next run; that must read the same.
//
// Input: one byte of switches, then manifest.tsv and .manifest.tsv.log,
// separated by kSeparator. Switches: bit 0 the folder holds the manifest,
// bit 1 the journal.
#include <cstdint>
#include <string>

#include "FolderRecords.h"
#include "FuzzInput.h"
#include "ManifestJournal.h"
#include "MemoryFiles.h"

namespace {

constexpr const char* kFolder = "/backups/blog.media";

std::string Written(const std::vector<qv::media::ManifestEntry>& entries) {
    qv::media::Manifest manifest;
    for (const qv::media::ManifestEntry& entry : entries) manifest.AddSlot(entry);
    return manifest.Text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    const fuzz::Switches switches = fuzz::TakeSwitches(fuzz::AsText(data, size));
    const std::vector<std::string_view> texts = fuzz::Pieces(switches.text);

    fuzz::MemoryFiles files;
    files.PutFolder(kFolder);
    if (switches.On(0))
        files.Put(std::string(kFolder) + "/" + media::kManifestFileName, std::string(texts.front()));
    if (switches.On(1))
        files.Put(std::string(kFolder) + "/" + media::kJournalFileName, std::string(texts.back()));

    const Result<media::FolderRecords> records = media::ReadFolderRecords(kFolder, files);
    if (!records) return 0;
    fuzz::Require(records->found || records->entries.empty(), "records come from a file that is there");

    // The next run replaces the manifest with what it read.
    const std::string text = Written(records->entries);
    const media::ParsedManifest again = media::ParseManifest(text);
    fuzz::Require(again.skippedLines == 0, "every line written is read", text);
    fuzz::Require(Written(again.entries) == text, "what is written is read the same", text);
    return 0;
}
