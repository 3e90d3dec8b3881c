// SPDX-License-Identifier: GPL-3.0-or-later
#include "SitePaths.h"

#include <algorithm>
#include <cstdint>

namespace qv::site {

namespace {

bool IsSlugCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Hex(std::uint64_t value, int digits) {
    static const char* const kHex = "0123456789abcdef";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kHex[value & 15];
    return text;
}

// FNV-1a: stable across runs and machines, which the names must be.
std::uint64_t Fingerprint(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string WithPage(std::string base, std::size_t page) {
    if (page > 1) base += ".p" + std::to_string(page);
    return base + ".html";
}

}  // namespace

std::size_t PageCount(std::size_t count) {
    return std::max<std::size_t>(1, (count + kPostsPerPage - 1) / kPostsPerPage);
}

std::string IndexPage(std::size_t page) {
    return page <= 1 ? "index.html" : "page/" + std::to_string(page) + ".html";
}

std::string PostPage(std::string_view id) {
    const bool plain = !id.empty() && id.size() <= 64 && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
               c == '_';
    });
    return "post/" + (plain ? std::string(id) : "id-" + Hex(Fingerprint(id), 16)) + ".html";
}

std::string TagSlug(std::string_view tag) {
    constexpr std::size_t kLongest = 60;
    const bool canonical = !tag.empty() && tag.size() <= kLongest && tag.front() != '-' &&
                           std::all_of(tag.begin(), tag.end(), IsSlugCharacter);
    if (canonical) return std::string(tag);
    std::string readable;
    for (const char c : tag) {
        if (readable.size() >= kLongest) break;
        const char lower = LowerAscii(c);
        if (IsSlugCharacter(lower) && lower != '-') {
            readable += lower;
        } else if (!readable.empty() && readable.back() != '-') {
            readable += '-';
        }
    }
    if (readable.empty()) readable = "tag";
    if (readable.back() != '-') readable += '-';
    return readable + Hex(Fingerprint(tag), 12);
}

std::string TagPage(std::string_view slug, std::size_t page) {
    return WithPage("tag/" + std::string(slug), page);
}

std::string MonthPage(std::string_view monthKey, std::size_t page) {
    return WithPage("month/" + std::string(monthKey), page);
}

std::string RootFrom(std::string_view page) {
    std::string root;
    for (const char c : page)
        if (c == '/') root += "../";
    return root;
}

}  // namespace qv::site
