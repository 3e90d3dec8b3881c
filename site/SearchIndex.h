// SPDX-License-Identifier: GPL-3.0-or-later
// The search of the site: one entry per post (its page, title, date and the
// distinct words of its text and tags), written as a script that our search
// script loads on the first query. A script, not JSON: pages opened from
// file:// may not fetch files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv::site {

// The distinct words of `text`, lower case, in the order met, separated by
// blanks. The search script splits a query the same way.
std::string CollectWords(std::string_view text);

struct SearchEntry {
    std::string page;  // the post's page, from the site's top folder
    std::string title;
    std::string date;
    std::string words;  // from CollectWords
};

// `entries` as the script "search-index.js" assigns them.
std::string SearchIndexScript(const std::vector<SearchEntry>& entries);

}  // namespace qv::site
