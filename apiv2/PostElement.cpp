// SPDX-License-Identifier: GPL-3.0-or-later
#include "apiv2/PostElement.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "apiv2/PostTime.h"
#include "apiv2/XmlText.h"

namespace qv::apiv2 {

namespace {

// No zone is further than a day from UTC; a wilder answer is not believed.
constexpr std::int64_t kMostOffset = 26 * 3600;

// The read API's name of a post type of the v2 API; none for a type it had no elements for.
std::optional<std::string> ReadApiType(const std::string& type) {
    if (type == "text") return "regular";
    if (type == "chat") return "conversation";
    if (type == "photo" || type == "quote" || type == "link" || type == "audio" || type == "video" ||
        type == "answer")
        return type;
    return std::nullopt;
}

std::string Text(const Json& object, const char* key) { return TextField(object, key).value_or(""); }

std::optional<std::int64_t> PositiveField(const Json& object, const char* key) {
    const auto value = IntegerField(object, key);
    return value && *value > 0 ? value : std::nullopt;
}

void AppendIfAny(std::string& out, const char* element, const std::string& text) {
    if (!text.empty()) AppendElement(out, element, text);
}

void AppendNumber(std::string& out, const char* name, std::int64_t value) {
    AppendAttribute(out, name, std::to_string(value));
}

struct PhotoSize {
    std::string url;
    std::optional<std::int64_t> width;
};

// The sizes of one photo, the original first and each address once, so that
// whoever keeps the widest keeps the original.
std::vector<PhotoSize> PhotoSizes(const Json& photo) {
    std::vector<PhotoSize> sizes;
    const auto add = [&](const Json& size) {
        auto url = TextField(size, "url");
        if (!url || url->empty()) return;
        const bool known = std::any_of(sizes.begin(), sizes.end(), [&](const PhotoSize& s) { return s.url == *url; });
        if (!known) sizes.push_back({std::move(*url), PositiveField(size, "width")});
    };
    const Json* original = ObjectField(photo, "original_size");
    if (original != nullptr) add(*original);
    const bool haveOriginal = !sizes.empty();
    if (const Json* alternatives = ArrayField(photo, "alt_sizes"))
        for (const Json& size : *alternatives) add(size);
    if (haveOriginal && !sizes.front().width) {
        // Unknown width: as wide as the widest, and first among equals.
        std::int64_t widest = 0;
        for (const PhotoSize& size : sizes) widest = std::max(widest, size.width.value_or(0));
        if (widest > 0) sizes.front().width = widest;
    }
    return sizes;
}

void AppendPhotoUrls(std::string& out, const std::vector<PhotoSize>& sizes) {
    for (const PhotoSize& size : sizes) {
        out += "<photo-url";
        if (size.width) AppendNumber(out, "max-width", *size.width);
        out += '>';
        AppendEscapedText(out, size.url);
        out += "</photo-url>";
    }
}

void AppendPhotoChildren(std::string& out, const Json& post) {
    AppendIfAny(out, "photo-caption", Text(post, "caption"));
    AppendIfAny(out, "photo-link-url", Text(post, "link_url"));
    std::vector<const Json*> photos;
    if (const Json* list = ArrayField(post, "photos"))
        for (const Json& photo : *list)
            if (photo.is_object()) photos.push_back(&photo);
    if (photos.empty()) return;
    AppendPhotoUrls(out, PhotoSizes(*photos.front()));
    if (photos.size() < 2) return;
    out += "<photoset>";
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const Json& photo = *photos[i];
        out += "<photo";
        AppendAttribute(out, "offset", "o" + std::to_string(i + 1));
        AppendAttribute(out, "caption", Text(photo, "caption"));
        if (const Json* original = ObjectField(photo, "original_size")) {
            if (auto width = PositiveField(*original, "width")) AppendNumber(out, "width", *width);
            if (auto height = PositiveField(*original, "height")) AppendNumber(out, "height", *height);
        }
        out += '>';
        AppendPhotoUrls(out, PhotoSizes(photo));
        out += "</photo>";
    }
    out += "</photoset>";
}

void AppendConversationChildren(std::string& out, const Json& post) {
    AppendIfAny(out, "conversation-title", Text(post, "title"));
    AppendElement(out, "conversation-text", Text(post, "body"));
    const Json* dialogue = ArrayField(post, "dialogue");
    if (dialogue == nullptr || dialogue->empty()) return;
    out += "<conversation>";
    for (const Json& line : *dialogue) {
        if (!line.is_object()) continue;
        out += "<line";
        AppendAttribute(out, "name", Text(line, "name"));
        AppendAttribute(out, "label", Text(line, "label"));
        out += '>';
        AppendEscapedText(out, Text(line, "phrase"));
        out += "</line>";
    }
    out += "</conversation>";
}

// The widest of the players the answer offers; the API gives several sizes
// of one player, or for some posts the player's HTML alone.
std::string VideoPlayer(const Json& post) {
    if (auto player = TextField(post, "player")) return *player;
    const Json* players = ArrayField(post, "player");
    std::string widest;
    std::int64_t widestWidth = -1;
    if (players != nullptr) {
        for (const Json& player : *players) {
            auto code = TextField(player, "embed_code");
            const std::int64_t width = PositiveField(player, "width").value_or(0);
            if (code && width > widestWidth) {
                widest = std::move(*code);
                widestWidth = width;
            }
        }
    }
    return widest;
}

void AppendTypeChildren(std::string& out, const std::string& type, const Json& post) {
    if (type == "regular") {
        AppendIfAny(out, "regular-title", Text(post, "title"));
        AppendElement(out, "regular-body", Text(post, "body"));
    } else if (type == "photo") {
        AppendPhotoChildren(out, post);
    } else if (type == "quote") {
        AppendElement(out, "quote-text", Text(post, "text"));
        AppendIfAny(out, "quote-source", Text(post, "source"));
    } else if (type == "link") {
        AppendIfAny(out, "link-text", Text(post, "title"));
        AppendElement(out, "link-url", Text(post, "url"));
        AppendIfAny(out, "link-description", Text(post, "description"));
    } else if (type == "conversation") {
        AppendConversationChildren(out, post);
    } else if (type == "audio") {
        AppendIfAny(out, "audio-caption", Text(post, "caption"));
        const auto player = TextField(post, "player");
        AppendElement(out, "audio-player", player ? *player : Text(post, "embed"));
    } else if (type == "video") {
        AppendIfAny(out, "video-caption", Text(post, "caption"));
        const auto permalink = TextField(post, "permalink_url");
        AppendIfAny(out, "video-source", permalink ? *permalink : Text(post, "video_url"));
        AppendIfAny(out, "video-player", VideoPlayer(post));
    } else if (type == "answer") {
        AppendElement(out, "question", Text(post, "question"));
        AppendElement(out, "answer", Text(post, "answer"));
    }
}

// url and url-with-slug: the API's post_url carries the slug when there is one.
void AppendAddresses(std::string& out, const Json& post) {
    const auto address = TextField(post, "post_url");
    if (!address) return;
    const auto slug = TextField(post, "slug");
    std::string bare = *address;
    const std::string tail = slug ? "/" + *slug : std::string();
    if (slug && !slug->empty() && bare.size() > tail.size() && bare.ends_with(tail))
        bare.resize(bare.size() - tail.size());
    AppendAttribute(out, "url", bare);
    if (slug) AppendAttribute(out, "url-with-slug", *address);
}

std::optional<std::int64_t> PostTimestamp(const Json& post) {
    if (auto seconds = IntegerField(post, "timestamp"); seconds && IsWritableTime(*seconds)) return seconds;
    if (auto date = TextField(post, "date")) return ParseGmtDate(*date);
    return std::nullopt;
}

void AppendTimes(std::string& out, std::int64_t seconds, const PageContext& context) {
    std::int64_t offset = context.utcOffset ? context.utcOffset(seconds) : 0;
    if (offset < -kMostOffset || offset > kMostOffset || !IsWritableTime(seconds + offset)) offset = 0;
    AppendAttribute(out, "date-gmt", GmtDateText(seconds));
    AppendAttribute(out, "date", LocalDateText(seconds, offset));
    AppendNumber(out, "unix-timestamp", seconds);
}

void AppendState(std::string& out, const Json& post, const PageContext& context) {
    if (context.listing == Listing::Drafts) return AppendAttribute(out, "state", "draft");
    if (context.listing == Listing::Queue) return AppendAttribute(out, "state", "queued");
    const std::string state = Text(post, "state");
    if (state == "private") AppendAttribute(out, "private", "true");
    if (state == "draft") AppendAttribute(out, "state", "draft");
    if (state == "queued" || state == "queue") AppendAttribute(out, "state", "queued");
}

}  // namespace

Result<PostElement> MakePostElement(const Json& post, const PageContext& context) {
    if (!post.is_object()) return Status(StatusKind::NotBlogXml, "An entry of the list of posts is no post.");
    std::optional<std::string> id = PostId(post);
    if (!id) return Status(StatusKind::NotBlogXml, "A post of the answer has no usable id.");
    const std::string v2Type = Text(post, "type");
    const std::optional<std::string> type = ReadApiType(v2Type);
    if (!type)
        return Status(StatusKind::NotBlogXml,
                      "Post " + *id + " is of type \"" + v2Type + "\", which the read API's format has no elements for.");

    PostElement element;
    element.id = *id;
    element.timestamp = PostTimestamp(post);
    element.pinned = IsTrue(post, "is_pinned");
    element.likedTimestamp = IntegerField(post, "liked_timestamp");

    std::string& out = element.xml;
    out = "<post";
    AppendAttribute(out, "id", *id);
    AppendAddresses(out, post);
    AppendAttribute(out, "type", *type);
    if (element.timestamp) AppendTimes(out, *element.timestamp, context);
    if (auto format = TextField(post, "format")) AppendAttribute(out, "format", *format);
    if (auto key = TextField(post, "reblog_key")) AppendAttribute(out, "reblog-key", *key);
    if (auto slug = TextField(post, "slug")) AppendAttribute(out, "slug", *slug);
    AppendState(out, post, context);
    if (context.listing == Listing::Likes) AppendAttribute(out, "from-blog", Text(post, "blog_name"));
    if (IsTrue(post, "bookmarklet")) AppendAttribute(out, "bookmarklet", "true");
    if (IsTrue(post, "mobile")) AppendAttribute(out, "mobile", "true");
    if (*type == "photo") {
        if (auto width = PositiveField(post, "width")) AppendNumber(out, "width", *width);
        if (auto height = PositiveField(post, "height")) AppendNumber(out, "height", *height);
    }
    if (*type == "audio")
        if (auto plays = IntegerField(post, "plays"); plays && *plays >= 0) AppendNumber(out, "audio-plays", *plays);
    out += '>';
    AppendTypeChildren(out, *type, post);
    if (const Json* tags = ArrayField(post, "tags"))
        for (const Json& tag : *tags)
            if (tag.is_string()) AppendElement(out, "tag", tag.get_ref<const std::string&>());
    out += "</post>";
    return element;
}

}  // namespace qv::apiv2
