// SPDX-License-Identifier: GPL-3.0-or-later
// Where each page of the site lives, relative to the site's folder. Pages
// other than the three at the top sit one folder down; every page's links
// are written from the top folder and its <base> makes them work from there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv::site {

inline constexpr std::size_t kPostsPerPage = 50;

// Pages for `count` entries, 50 a page; at least one.
std::size_t PageCount(std::size_t count);

std::string IndexPage(std::size_t page);  // page 1 is index.html
std::string PostPage(std::string_view id);
std::string TagPage(std::string_view slug, std::size_t page);
std::string MonthPage(std::string_view monthKey, std::size_t page);
inline constexpr const char* kTagsPage = "tags.html";
inline constexpr const char* kArchivePage = "archive.html";

// The file name part for a tag: a tag made of lower-case letters, digits and
// dashes names itself; any other gets a readable part and a hash of the tag,
// so that no two tags share a page.
std::string TagSlug(std::string_view tag);

// "" for a page in the top folder, "../" for one a folder down.
std::string RootFrom(std::string_view page);

}  // namespace qv::site
