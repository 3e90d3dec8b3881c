// SPDX-License-Identifier: GPL-3.0-or-later
// One post the parser cannot read makes a whole page unreadable, while smaller
// answers around it parse. Asking for the page's range again in halves, down
// to single posts, saves every post but the broken ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "PageLoop.h"
#include "PageSource.h"

namespace qv {

class IRunDecisions;

struct PiecedPage {
    // The posts of every readable answer, in order, as one page; present
    // when the status is Ok.
    std::optional<XmlDocument> page;
    // Posts asked for that never came in a readable answer, as "offset 73 (id 12345)".
    std::vector<std::string> lost;
    // Why the page cannot be had, said already: a request gave up or was
    // cancelled, an answer was not the blog's XML at all (a sign-in page,
    // say), or not one of its posts came readably.
    Status status;
};

// Whether an answer the parser could not read began as the blog's XML. Only
// then may smaller pieces of it be readable; a sign-in or error page stays one
// whatever is asked for.
bool BeginsAsBlogXml(const std::string& text);
// The name of the first element of an unreadable answer; "" when there is none.
std::string FirstElementOf(const std::string& text);
// Says what an unreadable answer that is not the blog's XML begins with.
std::string NotTheBlogsXml(const std::string& text);

// Asks `source` for the `num` posts from `start` in ever smaller pieces. Each
// answer must pass `loop`'s check to count as readable. A page that cannot be
// had this way either is said to `decisions`.
PiecedPage FetchInPieces(int32_t start, int32_t num, const PageLoop& loop, IPageSource& source,
                         IRunDecisions& decisions);

}  // namespace qv
