// SPDX-License-Identifier: GPL-3.0-or-later
// One post the parser cannot read makes a whole page unreadable, while smaller
// answers around it parse. Asking for the page's range again in halves, down
// to single posts, saves every post but the broken ones.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "PageLoop.h"

namespace qv {

struct PiecedPage {
    // The posts of every readable answer, in order, as one page; none when no answer was readable.
    std::optional<XmlDocument> page;
    // Posts asked for that never came in a readable answer, as "offset 73 (id 12345)".
    std::vector<std::string> lost;
    // A request gave up or was cancelled, or an answer was not the blog's
    // XML at all (a sign-in page, say): the page cannot be had.
    bool failed = false;
    // Why, when it was an answer: what came instead of the blog's XML.
    std::string refusal;
};

// Whether an answer the parser could not read began as the blog's XML. Only
// then may smaller pieces of it be readable; a sign-in or error page stays one
// whatever is asked for.
bool BeginsAsBlogXml(const std::string& text);
// The name of the first element of an unreadable answer; "" when there is none.
std::string FirstElementOf(const std::string& text);
// Says what an unreadable answer that is not the blog's XML begins with.
std::string NotTheBlogsXml(const std::string& text);

// `fetch(start, num)` is one request of the read API: its body, or nothing
// when it gave up. Each answer must pass `loop`'s check to count as readable.
using PageFetch = std::function<std::optional<std::string>(int32_t start, int32_t num)>;
PiecedPage FetchInPieces(int32_t start, int32_t num, const PageLoop& loop, const PageFetch& fetch);

}  // namespace qv
