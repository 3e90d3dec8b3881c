// SPDX-License-Identifier: GPL-3.0-or-later
#include "Manifest.h"

#include <charconv>
#include <utility>

#include "files/AtomicFile.h"
#include "FileNames.h"

namespace qv::media {

namespace {

constexpr std::string_view kFailedPrefix = "failed";

// A field never holds a tab or a line break, whatever the server said.
std::string FieldText(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return text;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return fields;
        line.remove_prefix(tab + 1);
    }
}

bool ParseStatus(std::string_view text, ManifestEntry& entry) {
    if (text == "kept") {
        entry.status = MediaStatus::Kept;
    } else if (text == "missing") {
        entry.status = MediaStatus::Missing;
    } else if (text == "external") {
        entry.status = MediaStatus::External;
    } else if (text.starts_with(kFailedPrefix)) {
        entry.status = MediaStatus::Failed;
        text.remove_prefix(kFailedPrefix.size());
        if (text.starts_with(':')) text.remove_prefix(1);
        // Read as it will be written: a carriage return in the reason (an edited
        // or damaged manifest) is written as a blank, and the blanks after the
        // colon are the writer's own.
        entry.reason = FieldText(std::string(text));
        entry.reason.erase(0, entry.reason.find_first_not_of(' '));
    } else {
        return false;
    }
    return true;
}

bool ParseLine(std::string_view line, ManifestEntry& entry) {
    const std::vector<std::string_view> fields = SplitTabs(line);
    if (fields.size() != 6 || fields[0].empty() || !ParseStatus(fields[4], entry)) return false;
    entry.url = fields[0];
    entry.file = fields[1];
    if (!fields[2].empty()) {
        const auto [end, error] =
            std::from_chars(fields[2].data(), fields[2].data() + fields[2].size(), entry.bytes);
        if (error != std::errc() || end != fields[2].data() + fields[2].size() || entry.bytes < 0)
            return false;
    }
    entry.sha256 = fields[3];
    entry.postId = fields[5];
    // A kept file without its name or size can't be checked, and a name that is
    // a path (an edited or foreign manifest) would be written outside the
    // folder: neither is a record of a kept file.
    return entry.status != MediaStatus::Kept || (IsPlainFileName(entry.file) && entry.bytes >= 0);
}

}  // namespace

std::string StatusText(const ManifestEntry& entry) {
    switch (entry.status) {
        case MediaStatus::Kept:
            return "kept";
        case MediaStatus::Missing:
            return "missing";
        case MediaStatus::External:
            return "external";
        case MediaStatus::Failed:
            break;
    }
    return entry.reason.empty() ? std::string(kFailedPrefix)
                                : std::string(kFailedPrefix) + ": " + entry.reason;
}

ParsedManifest ParseManifest(std::string_view text) {
    ParsedManifest parsed;
    bool first = true;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (std::exchange(first, false) && line == kManifestHeader) continue;
        if (line.empty()) continue;
        ManifestEntry entry;
        if (ParseLine(line, entry)) {
            parsed.entries.push_back(std::move(entry));
        } else {
            ++parsed.skippedLines;
        }
    }
    return parsed;
}

std::size_t Manifest::AddSlot(std::optional<ManifestEntry> entry) {
    slots_.emplace_back();
    if (entry) Set(slots_.size() - 1, std::move(*entry));
    return slots_.size() - 1;
}

void Manifest::Set(std::size_t slot, ManifestEntry entry) {
    Slot& target = slots_.at(slot);
    textSize_ -= target.line.size();
    target.line = FieldText(entry.url) + '\t' + FieldText(entry.file) + '\t' +
                  (entry.bytes >= 0 ? std::to_string(entry.bytes) : std::string()) + '\t' +
                  FieldText(entry.sha256) + '\t' + FieldText(StatusText(entry)) + '\t' +
                  FieldText(entry.postId) + '\n';
    textSize_ += target.line.size();
    target.entry = std::move(entry);
}

void Manifest::Clear(std::size_t slot) {
    Slot& target = slots_.at(slot);
    textSize_ -= target.line.size();
    target.line.clear();
    target.entry.reset();
}

std::string Manifest::Text() const {
    std::string text;
    text.reserve(textSize_ + 64);
    text.append(kManifestHeader).append("\n");
    for (const Slot& slot : slots_) text += slot.line;
    return text;
}

Status Manifest::Save(const std::string& path, FileOps& files,
                      std::optional<std::time_t> leftoversBefore) const {
    const std::string text = Text();
    FileSaveOptions options;
    options.removeTempsOlderThan = leftoversBefore;
    return AtomicFileWriter::Save(path, text, files, options);
}

}  // namespace qv::media
