// SPDX-License-Identifier: GPL-3.0-or-later
// Gumbo's work per tag grows with the number of elements open around it, and
// per attribute with the number of attributes before it in the same tag, so
// markup nested tens of thousands deep, or a tag with as many attributes,
// takes it minutes. Formatting elements left open are opened again in every
// new paragraph, so thousands of different ones make gigabytes of elements.
// Only a hostile post has such markup. What lies beyond the bounds is left
// out before the parser sees it; text always stays.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv::html {

struct MarkupBounds {
    std::size_t depth = 0;       // elements open at once
    std::size_t attributes = 0;  // attributes in one tag
    std::size_t formatting = 0;  // formatting elements (b, i, font, ...) left open
};

// Answers false when `html` keeps within `bounds`; otherwise `bounded`
// receives it without the start tags that would open an element deeper than
// the bound or one formatting element too many, and without the attributes of
// a tag beyond the bound. The depth
// is read from the tags the way a browser nests them, roughly: void elements
// and those a like element closes (p, li, td, ...) never add to it.
bool BoundMarkup(std::string_view html, const MarkupBounds& bounds, std::string& bounded);

}  // namespace qv::html
