// SPDX-License-Identifier: GPL-3.0-or-later
// Most posts are plain markup: paragraphs, lists, links and emphasis, each
// closed where it was opened, in valid UTF-8. For such markup a browser's
// repairs change nothing, so its tree is the tags as written, read here in a
// fraction of the full parser's time. Anything else (a tag left out of the
// list below, one closed out of order or where a browser would close it
// first, a comment, an entity other than the commonest, a control character,
// bytes that are not UTF-8) is left to the full parser.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "html/HtmlFragment.h"

namespace qv::html {

// The nodes of `html` as the full parser would make them inside a body, or
// nullopt when `html` is more than plain markup or nests `maxDepth` deep.
// For markup within the parser's bounds (BoundMarkup answered false): beyond
// them the full parser sees other markup.
std::optional<std::vector<Node>> ParsePlainMarkup(std::string_view html, std::size_t maxDepth);

}  // namespace qv::html
