// SPDX-License-Identifier: GPL-3.0-or-later
// Answers of the service's v2 API into posts: the blog's description (and the
// system's zone of the time zone it names), then a page of posts written as
// the read API's XML for the engine to merge.
//
// Input: one byte of switches, then the answer of /info and the answer of a
// page of posts, separated by kSeparator. Switches: bits 0 and 1 the listing
// (published, drafts, queue, likes), bits 4 to 7 the page's start in pages
// of 20.
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "Xml.h"
#include "apiv2/BlogInfo.h"
#include "apiv2/JsonFields.h"
#include "apiv2/PostsPage.h"
#include "apiv2/ZoneOffsets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    using namespace qv::apiv2;
    const fuzz::Switches switches = fuzz::TakeSwitches(fuzz::AsText(data, size));
    const std::vector<std::string_view> answers = fuzz::Pieces(switches.text);

    PageContext context;
    context.listing = static_cast<Listing>(switches.bits & 3U);
    context.start = 20 * (switches.bits >> 4);
    if (Result<Blog> blog = ReadBlogInfo(answers.front())) {
        if (blog->timezone) {
            if (Result<UtcOffset> zone = SystemZoneOffsets(*blog->timezone)) context.utcOffset = *zone;
        }
        context.blog = *blog;
    }
    if (answers.size() < 2) return 0;

    const Result<Page> page = ReadPostsPage(answers[1], context);
    if (!page) return 0;
    fuzz::Require(page->ids.size() + page->dropped.size() == page->received,
                  "every post of the answer is written or said to be dropped");
    // The engine takes the page as it takes one of the read API.
    XmlDocument document;
    fuzz::Require(document.LoadXml(page->xml, 0), "the page is XML", page->xml);
    fuzz::Require(document.NodeText("/tumblr/@version") == "1.0", "the page is the blog's XML", page->xml);
    const XmlNodeList posts = document.DocumentNode().SelectNodes("/tumblr/posts/post");
    fuzz::Require(posts.Count() == static_cast<int>(page->ids.size()), "the page holds the posts written",
                  page->xml);
    for (int i = 0; i < posts.Count(); ++i) {
        const std::string id = posts.Item(i).AttributeText("id");
        fuzz::Require(id == page->ids[static_cast<std::size_t>(i)] && IsPostIdText(id),
                      "each post has the id the answer gave it", id);
    }
    return 0;
}
