// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchIndex.h"

#include <nlohmann/json.hpp>
#include <unordered_set>

#include "ReadingOrder.h"

namespace qv::site {

namespace {

bool IsWordByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0x80;
}

// Punctuation of the General Punctuation block (U+2000..U+206F: dashes,
// curly quotes, ellipsis) separates words like ASCII punctuation does.
std::size_t PunctuationLength(std::string_view text, std::size_t at) {
    if (at + 2 < text.size() && static_cast<unsigned char>(text[at]) == 0xE2) {
        const auto second = static_cast<unsigned char>(text[at + 1]);
        if (second == 0x80 || second == 0x81) return 3;
    }
    if (at + 1 < text.size() && static_cast<unsigned char>(text[at]) == 0xC2) {
        const auto second = static_cast<unsigned char>(text[at + 1]);
        if (second == 0xA0 || second == 0xAB || second == 0xBB) return 2;  // no-break space, guillemets
    }
    return 0;
}

std::string Quoted(std::string_view text) {
    // Text from a backup is not always valid UTF-8; a bad byte must not stop the site.
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::string CollectWords(std::string_view text) {
    // Each word is lowered into `lowered`, which holds them all without
    // growing (lower case keeps a text's length), so the set can hold views.
    std::string lowered;
    lowered.reserve(text.size());
    std::unordered_set<std::string_view> seen;
    std::string words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t punctuation = PunctuationLength(text, at);
        if (punctuation > 0 || !IsWordByte(static_cast<unsigned char>(text[at]))) {
            at += punctuation > 0 ? punctuation : 1;
            continue;
        }
        std::size_t end = at;
        for (; end < text.size(); ++end) {
            const auto c = static_cast<unsigned char>(text[end]);
            // Only a byte past ASCII may begin a punctuation mark.
            if (!IsWordByte(c) || (c >= 0x80 && PunctuationLength(text, end) > 0)) break;
        }
        const std::size_t start = lowered.size();
        // The search script lower-cases the capitals of other scripts too.
        AppendLowerCase(text.substr(at, end - at), lowered);
        const std::string_view word = std::string_view(lowered).substr(start);
        at = end;
        if (!seen.insert(word).second) continue;
        if (!words.empty()) words += ' ';
        words += word;
    }
    return words;
}

std::string SearchIndexScript(const std::vector<SearchEntry>& entries) {
    // Made once at its full size: growing it would hold two copies at a time.
    std::size_t size = 64;
    for (const SearchEntry& entry : entries)
        size += entry.page.size() + entry.title.size() + entry.date.size() + entry.words.size() + 16;
    std::string script;
    script.reserve(size + size / 16);
    script += "window.quillvaultSearch = [\n";
    bool first = true;
    for (const SearchEntry& entry : entries) {
        if (!first) script += ",\n";
        first = false;
        script += '[';
        script += Quoted(entry.page);
        script += ',';
        script += Quoted(entry.title);
        script += ',';
        script += Quoted(entry.date);
        script += ',';
        script += Quoted(entry.words);
        script += ']';
    }
    script += "\n];\n";
    return script;
}

}  // namespace qv::site
