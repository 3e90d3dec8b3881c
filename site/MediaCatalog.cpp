#include "MediaCatalog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
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

}  // namespace

bool MediaCatalog::Load(const std::string& folder, std::string& error) {
    kept_.clear();
    const std::string path = folder + "/" + media::kManifestFileName;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT) return true;
        error = "Can't read " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "Can't read " + path;
        return false;
    }
    if (!Parse(text, error)) {
        error = path + ": " + error;
        return false;
    }
    ApplyJournal(folder);
    return true;
}

// What a media run recorded after it last replaced the manifest: a run that
// was killed leaves it for the next one to fold in.
void MediaCatalog::ApplyJournal(const std::string& folder) {
    std::ifstream in(folder + "/" + media::kJournalFileName, std::ios::binary);
    if (!in) return;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const media::ManifestEntry& entry : media::ParseJournal(text).entries) {
        if (entry.status == media::MediaStatus::Kept)  // its name was checked as the line was read
            kept_.insert_or_assign(entry.url, entry.file);
        else
            kept_.erase(entry.url);
    }
}

bool MediaCatalog::Parse(std::string_view manifest, std::string& error) {
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
                status == std::string_view::npos) {
                error = "the first line does not name the columns url, file and status";
                return false;
            }
            header = false;
            continue;
        }
        if (fields.size() <= std::max({url, file, status})) continue;
        // A name from the manifest is used as a path only when the media run could have made it.
        if (fields[status] != "kept" || !media::IsPlainFileName(fields[file]) || fields[url].empty())
            continue;
        kept_.insert_or_assign(std::string(fields[url]), std::string(fields[file]));
    }
    if (header) {
        error = "the file is empty";
        return false;
    }
    return true;
}

const std::string* MediaCatalog::KeptFile(std::string_view url) const {
    const auto found = kept_.find(url);
    return found == kept_.end() ? nullptr : &found->second;
}

}  // namespace qv::site
