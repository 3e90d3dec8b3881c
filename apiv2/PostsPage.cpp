// SPDX-License-Identifier: GPL-3.0-or-later
#include "apiv2/PostsPage.h"

#include <algorithm>

#include "apiv2/BlogObject.h"
#include "apiv2/Envelope.h"
#include "apiv2/PostElement.h"
#include "apiv2/XmlText.h"

namespace qv::apiv2 {

namespace {

std::vector<std::pair<std::string, std::string>> NextQuery(const Json& response) {
    std::vector<std::pair<std::string, std::string>> query;
    const Json* links = ObjectField(response, "_links");
    const Json* next = links != nullptr ? ObjectField(*links, "next") : nullptr;
    const Json* parameters = next != nullptr ? ObjectField(*next, "query_params") : nullptr;
    if (parameters == nullptr) return query;
    for (const auto& [name, value] : parameters->items()) {
        if (value.is_string()) {
            query.emplace_back(name, value.get_ref<const std::string&>());
        } else if (auto number = IntegerValue(value)) {
            query.emplace_back(name, std::to_string(*number));
        }
    }
    return query;
}

Result<Page> MakePage(const Json& response, const PageContext& context) {
    const bool likes = context.listing == Listing::Likes;
    const Json* posts = ArrayField(response, likes ? "liked_posts" : "posts");
    if (posts == nullptr) return Status(StatusKind::NotBlogXml, "The service's answer holds no list of posts.");

    Page page;
    page.received = posts->size();
    page.total = IntegerField(response, likes ? "liked_count" : "total_posts");
    page.nextQuery = NextQuery(response);

    std::optional<Blog> blog = context.blog;
    if (const Json* own = ObjectField(response, "blog")) blog = BlogFromJson(*own);

    std::string& xml = page.xml;
    xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tumblr version=\"1.0\">";
    xml += blog ? TumblelogXml(*blog) : "<tumblelog></tumblelog>";
    xml += "<posts";
    AppendAttribute(xml, "start", std::to_string(context.start));
    if (page.total) AppendAttribute(xml, "total", std::to_string(*page.total));
    xml += '>';
    for (std::size_t i = 0; i < posts->size(); ++i) {
        const Json& entry = (*posts)[i];
        Result<PostElement> post = MakePostElement(entry, context);
        if (!post) {
            page.dropped.push_back({i, PostId(entry).value_or(""), post.status()});
            continue;
        }
        xml += post->xml;
        page.ids.push_back(post->id);
        page.posts.push_back(std::move(post->xml));
        if (post->pinned) ++page.pinned;
        if (post->timestamp && !post->pinned)
            page.oldestTimestamp = std::min(page.oldestTimestamp.value_or(*post->timestamp), *post->timestamp);
        if (post->likedTimestamp)
            page.oldestLikedTimestamp =
                std::min(page.oldestLikedTimestamp.value_or(*post->likedTimestamp), *post->likedTimestamp);
    }
    xml += "</posts></tumblr>\n";
    if (!page.ids.empty()) page.lastId = page.ids.back();
    return page;
}

}  // namespace

Result<Page> ReadPostsPage(std::string_view body, const PageContext& context) {
    Result<Json> answer = ReadEnvelope(body);
    if (!answer) return answer.status();
    try {
        return MakePage(*ObjectField(*answer, "response"), context);
    } catch (const Json::exception& error) {
        // The readers above check every type before they look; this is the
        // last line should one of them miss a case.
        return Status(StatusKind::NotBlogXml, std::string("The service's answer could not be read: ") + error.what());
    }
}

Result<std::string> PostXml(std::string_view postJson, const PageContext& context) {
    const Json post = Json::parse(postJson, nullptr, /*allow_exceptions=*/false);
    if (post.is_discarded()) return Status(StatusKind::UnreadableXml, "The post is not JSON.");
    try {
        Result<PostElement> element = MakePostElement(post, context);
        if (!element) return element.status();
        return std::move(element->xml);
    } catch (const Json::exception& error) {
        return Status(StatusKind::NotBlogXml, std::string("The post could not be read: ") + error.what());
    }
}

}  // namespace qv::apiv2
