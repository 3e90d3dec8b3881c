// SPDX-License-Identifier: GPL-3.0-or-later
#include "Pager.h"

#include <algorithm>

namespace qv::site {

namespace {

// Pages named on either side of the one shown: enough to step a few pages at
// once, few enough that the numbers fit on a phone's screen in one row.
constexpr std::size_t kAround = 2;

}  // namespace

std::vector<std::size_t> PagerNumbers(std::size_t page, std::size_t pages) {
    std::vector<std::size_t> named = {1, pages};
    for (std::size_t n = page > kAround ? page - kAround : 1; n <= std::min(pages, page + kAround); ++n)
        named.push_back(n);
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());

    std::vector<std::size_t> numbers;
    for (const std::size_t n : named) {
        if (!numbers.empty()) {
            const std::size_t previous = numbers.back();
            // A gap of one page names that page: an ellipsis would take as much room.
            if (n == previous + 2) numbers.push_back(previous + 1);
            if (n > previous + 2) numbers.push_back(0);
        }
        numbers.push_back(n);
    }
    return numbers;
}

std::string PagerHtml(Templates& templates, std::size_t page, std::size_t pages, const PageName& pageName) {
    if (pages <= 1) return "";
    TemplateData numbers{TemplateData::type::list};
    for (const std::size_t n : PagerNumbers(page, pages)) {
        TemplateData item{TemplateData::type::object};
        if (n == 0) {
            item.set("gap", true);
        } else {
            item.set("number", std::to_string(n));
            if (n == page) {
                item.set("current", true);
            } else {
                item.set("href", pageName(n));
            }
        }
        numbers.push_back(item);
    }
    TemplateData data{TemplateData::type::object};
    data.set("numbers", numbers);
    if (page > 1) data.set("newer", pageName(page - 1));
    if (page < pages) data.set("older", pageName(page + 1));
    return templates.Render(Template::Pager, data);
}

}  // namespace qv::site
