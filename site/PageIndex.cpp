// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageIndex.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <vector>

#include "Sha256.h"
#include "files/AtomicFile.h"

namespace qv::site {

namespace {

constexpr std::string_view kFirstLine = "quillvault site index 1\n";
constexpr std::string_view kChecksum = "sha256 ";

// A page's name as the site makes them: a name, or a folder and a name, of
// letters, digits, '.', '-' and '_', never "." or "..".
bool IsPageName(std::string_view name) {
    std::size_t segments = 0;
    for (std::size_t start = 0; start <= name.size(); ++segments) {
        std::size_t end = name.find('/', start);
        if (end == std::string_view::npos) end = name.size();
        const std::string_view segment = name.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == "..") return false;
        for (const char c : segment) {
            const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                 c == '.' || c == '-' || c == '_';
            if (!allowed) return false;
        }
        start = end + 1;
    }
    return segments <= 2;
}

// Reads the next field of `line` up to a space; false when there is none.
bool NextField(std::string_view& line, std::string_view& field) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || space == 0) return false;
    field = line.substr(0, space);
    line.remove_prefix(space + 1);
    return true;
}

template <typename Number>
bool WholeNumber(std::string_view field, Number& number) {
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), number);
    return !field.empty() && error == std::errc() && end == field.data() + field.size();
}

template <typename Number>
bool NextNumber(std::string_view& line, Number& number) {
    std::string_view field;
    return NextField(line, field) && WholeNumber(field, number);
}

// Splits off the next line, without its '\n'; false at the end of the text
// or before a last line that lacks its '\n'.
bool NextLine(std::string_view& text, std::string_view& line) {
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos) return false;
    line = text.substr(0, newline);
    text.remove_prefix(newline + 1);
    return true;
}

}  // namespace

std::string PageIndex::Text() const {
    std::string text(kFirstLine);
    text += "sources " + (sources ? HexOf(*sources) : std::string("-")) + "\n";
    text += "posts " + std::to_string(posts) + "\n";
    text.reserve(text.size() + pages.size() * 128);
    const auto number = [&text](auto value) {
        char digits[24];
        text.append(digits, std::to_chars(std::begin(digits), std::end(digits), value).ptr);
        text += ' ';
    };
    for (const auto& [page, record] : pages) {
        if (!record.file) continue;
        text += HexOf(record.content);
        text += ' ';
        number(record.file->inode);
        number(record.file->size);
        number(record.file->modifiedNs);
        number(record.file->changedNs);
        text += page;
        text += '\n';
    }
    text += std::string(kChecksum) + media::Sha256::Of(text) + "\n";
    return text;
}

std::optional<PageIndex> PageIndex::Parse(std::string_view text) {
    // The checksum line closes the text and covers every byte before it.
    const std::size_t checksum = text.rfind(kChecksum);
    if (checksum == std::string_view::npos || (checksum > 0 && text[checksum - 1] != '\n'))
        return std::nullopt;
    if (text.substr(checksum) != std::string(kChecksum) + media::Sha256::Of(text.substr(0, checksum)) + "\n")
        return std::nullopt;
    text = text.substr(0, checksum);
    if (!text.starts_with(kFirstLine)) return std::nullopt;
    text.remove_prefix(kFirstLine.size());

    PageIndex index;
    std::string_view line;
    if (!NextLine(text, line) || !line.starts_with("sources ")) return std::nullopt;
    line.remove_prefix(8);
    if (line != "-") {
        index.sources = DigestFromHex(line);
        if (!index.sources) return std::nullopt;
    }
    if (!NextLine(text, line) || !line.starts_with("posts ")) return std::nullopt;
    if (!WholeNumber(line.substr(6), index.posts)) return std::nullopt;
    index.pages.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    while (!text.empty()) {
        if (!NextLine(text, line)) return std::nullopt;
        std::string_view field;
        PageRecord record;
        FileStamp file;
        if (!NextField(line, field)) return std::nullopt;
        const std::optional<Digest> content = DigestFromHex(field);
        if (!content || !NextNumber(line, file.inode) || !NextNumber(line, file.size) ||
            !NextNumber(line, file.modifiedNs) || !NextNumber(line, file.changedNs) || !IsPageName(line))
            return std::nullopt;
        record.content = *content;
        record.file = file;
        if (!index.pages.emplace(std::string(line), record).second) return std::nullopt;
    }
    return index;
}

bool PageIndex::PagesInPlace(const std::string& siteFolder) const {
    // Each of the few folders is opened once, and its pages looked up by name.
    std::vector<std::pair<std::string_view, int>> folders;
    const auto folderOf = [&](std::string_view name) {
        for (const auto& [known, fd] : folders)
            if (known == name) return fd;
        const int fd =
            ::open((siteFolder + "/" + std::string(name)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folders.emplace_back(name, fd);
        return fd;
    };
    bool inPlace = true;
    for (const auto& [page, record] : pages) {
        const std::size_t slash = page.rfind('/');
        const int folder =
            folderOf(slash == std::string::npos ? "." : std::string_view(page).substr(0, slash));
        const char* name = page.c_str() + (slash == std::string::npos ? 0 : slash + 1);
        inPlace = folder >= 0 && record.file && StampOfFileAt(folder, name) == record.file;
        if (!inPlace) break;
    }
    for (const auto& [name, fd] : folders)
        if (fd >= 0) ::close(fd);
    return inPlace;
}

PageIndex PageIndex::Load(const std::string& siteFolder) {
    std::string text;
    if (SystemFileOps().ReadFile(siteFolder + "/" + kPageIndexName, text) != 0) return {};
    std::optional<PageIndex> index = Parse(text);
    return index ? std::move(*index) : PageIndex();
}

Status PageIndex::Save(const std::string& siteFolder, FileOps& files) const {
    return AtomicFileWriter::Save(siteFolder + "/" + kPageIndexName, Text(), files)
        .Within("Can't keep the list of pages: ");
}

}  // namespace qv::site
