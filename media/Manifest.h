// SPDX-License-Identifier: GPL-3.0-or-later
// manifest.tsv: one line per address with what became of it, tab-separated,
// the column names first. It is the only record of which file holds which
// address. It is replaced as a whole, atomically, now and then; the lines
// recorded in between wait in the journal beside it (ManifestJournal.h).
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FileOps.h"
#include "Status.h"

namespace qv::media {

inline constexpr const char* kManifestFileName = "manifest.tsv";
inline constexpr const char* kManifestHeader = "url\tfile\tbytes\tsha256\tstatus\tpost_id";

enum class MediaStatus { Kept, Missing, Failed, External };

struct ManifestEntry {
    std::string url;
    std::string file;         // only for a kept file
    std::int64_t bytes = -1;  // only for a kept file
    std::string sha256;       // only for a kept file
    MediaStatus status = MediaStatus::Failed;
    std::string reason;  // why it failed
    std::string postId;

    bool operator==(const ManifestEntry&) const = default;
};

// The status column: "kept", "missing", "external", or "failed: <reason>".
std::string StatusText(const ManifestEntry& entry);

struct ParsedManifest {
    std::vector<ManifestEntry> entries;
    // Lines that are not a manifest line (another header, too few columns, an unknown status).
    int skippedLines = 0;
};

ParsedManifest ParseManifest(std::string_view text);

// Lines in order; slots that hold nothing are left out.
class Manifest {
public:
    // Appends a slot, empty or filled; answers its index.
    std::size_t AddSlot(std::optional<ManifestEntry> entry = std::nullopt);
    void Set(std::size_t slot, ManifestEntry entry);
    void Clear(std::size_t slot);
    const std::optional<ManifestEntry>& At(std::size_t slot) const { return slots_.at(slot).entry; }
    // The slot's line as the file holds it, its line break included; "" for an empty slot.
    const std::string& Line(std::size_t slot) const { return slots_.at(slot).line; }
    std::size_t Slots() const { return slots_.size(); }
    // The lines' bytes, without the column names.
    std::size_t Bytes() const { return textSize_; }

    std::string Text() const;
    // Replaces the file at `path` by a complete, synced new one; on failure
    // (FileSystem) the old file stays as it was. Temporary files of
    // replacements that a killed run left, older than `leftoversBefore`, go.
    Status Save(const std::string& path, FileOps& files,
                std::optional<std::time_t> leftoversBefore = std::nullopt) const;

private:
    // The file is written many times over a run: each line is formatted once.
    struct Slot {
        std::optional<ManifestEntry> entry;
        std::string line;
    };

    std::vector<Slot> slots_;
    std::size_t textSize_ = 0;
};

}  // namespace qv::media
