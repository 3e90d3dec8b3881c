// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaCatalog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "FileNames.h"
#include "Manifest.h"
#include "ManifestJournal.h"

namespace qv::site {

namespace {

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

// The file's content; nullopt when there is no such file.
Result<std::optional<std::string>> ReadIfThere(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT) return std::optional<std::string>();
        return Status(StatusKind::FileSystem, "Can't read " + path + ": " + std::strerror(errno));
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return Status(StatusKind::FileSystem, "Can't read " + path);
    return std::optional<std::string>(std::move(text));
}

}  // namespace

Status MediaCatalog::Load(const std::string& folder) {
    kept_.clear();
    const std::string path = folder + "/" + media::kManifestFileName;
    const Result<std::optional<std::string>> text = ReadIfThere(path);
    if (!text) return text.status();
    if (!*text) return Status::Ok();
    if (Status parsed = Parse(**text); !parsed.ok()) return parsed.Within(path + ": ");
    return ApplyJournal(folder);
}

// What a media run recorded after it last replaced the manifest: a run that
// was killed leaves it for the next one to fold in.
Status MediaCatalog::ApplyJournal(const std::string& folder) {
    const Result<std::optional<std::string>> text = ReadIfThere(folder + "/" + media::kJournalFileName);
    if (!text) return text.status();
    if (!*text) return Status::Ok();
    for (const media::ManifestEntry& entry : media::ParseJournal(**text).entries) {
        if (entry.status == media::MediaStatus::Kept)  // its name was checked as the line was read
            kept_.insert_or_assign(entry.url, entry.file);
        else
            kept_.erase(entry.url);
    }
    return Status::Ok();
}

Status MediaCatalog::Parse(std::string_view manifest) {
    kept_.clear();
    std::size_t url = std::string_view::npos;
    std::size_t file = std::string_view::npos;
    std::size_t status = std::string_view::npos;
    bool header = true;
    std::size_t start = 0;
    while (start < manifest.size()) {
        std::size_t end = manifest.find('\n', start);
        if (end == std::string_view::npos) end = manifest.size();
        std::string_view line = manifest.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r')) line.remove_suffix(1);
        const std::vector<std::string_view> fields = Fields(line);
        if (header) {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (fields[i] == "url") url = i;
                if (fields[i] == "file") file = i;
                if (fields[i] == "status") status = i;
            }
            if (url == std::string_view::npos || file == std::string_view::npos ||
                status == std::string_view::npos)
                return Status(StatusKind::FileSystem,
                              "the first line does not name the columns url, file and status");
            header = false;
            continue;
        }
        if (fields.size() <= std::max({url, file, status})) continue;
        // A name from the manifest is used as a path only when the media run could have made it.
        if (fields[status] != "kept" || !media::IsPlainFileName(fields[file]) || fields[url].empty())
            continue;
        kept_.insert_or_assign(std::string(fields[url]), std::string(fields[file]));
    }
    if (header) return Status(StatusKind::FileSystem, "the file is empty");
    return Status::Ok();
}

const std::string* MediaCatalog::KeptFile(std::string_view url) const {
    const auto found = kept_.find(url);
    return found == kept_.end() ? nullptr : &found->second;
}

}  // namespace qv::site
