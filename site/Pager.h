// SPDX-License-Identifier: GPL-3.0-or-later
// The pager under a list that runs over several pages: Newer and Older, and
// the numbers of the first page, the last and those around the one shown,
// with a gap for the pages between them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "Templates.h"

namespace qv::site {

// The page (from the site's top folder) of number n, from 1.
using PageName = std::function<std::string(std::size_t)>;

// The numbers the pager of page `page` of `pages` names, in order; 0 is a gap.
std::vector<std::size_t> PagerNumbers(std::size_t page, std::size_t pages);

// The pager's HTML; "" for a list on one page.
std::string PagerHtml(Templates& templates, std::size_t page, std::size_t pages, const PageName& pageName);

}  // namespace qv::site
