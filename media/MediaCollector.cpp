// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaCollector.h"

#include <charconv>
#include <functional>
#include <unordered_set>

#include "html/HtmlFragment.h"

namespace qv::media {

namespace {

// The text fields of a post that hold HTML, wherever they sit in it (a
// photoset's photos carry captions of their own).
const std::unordered_set<std::string_view> kHtmlFields = {
    "regular-body",     "photo-caption", "video-caption", "audio-caption",
    "link-description", "quote-text",    "quote-source",  "answer",
};

// Where another site's player says what it plays, in the order tried.
struct EmbedSource {
    std::string_view tag;
    std::string_view attribute;
};
constexpr EmbedSource kEmbedSources[] = {{"iframe", "src"}, {"embed", "src"}, {"object", "data"}};

void ForEachElement(const std::vector<html::Node>& nodes,
                    const std::function<void(const html::Node&)>& visit) {
    for (const html::Node& node : nodes) {
        if (!node.IsElement()) continue;
        visit(node);
        ForEachElement(node.children, visit);
    }
}

void ForEachElement(std::string_view html, const std::function<void(const html::Node&)>& visit) {
    ForEachElement(html::HtmlFragment::Parse(html).Nodes(), visit);
}

std::optional<std::string> AttributeAddress(const html::Node& element, std::string_view name) {
    const std::string* value = element.FindAttribute(name);
    return value != nullptr ? CleanAddress(*value) : std::nullopt;
}

// The first address of another site's player: iframe, embed, object, or a
// Flash movie parameter.
std::optional<std::string> EmbedAddress(std::string_view html) {
    std::optional<std::string> found[std::size(kEmbedSources) + 1];
    ForEachElement(html, [&](const html::Node& element) {
        for (std::size_t i = 0; i < std::size(kEmbedSources); ++i)
            if (!found[i] && element.IsElement(kEmbedSources[i].tag))
                found[i] = AttributeAddress(element, kEmbedSources[i].attribute);
        const std::string* name = element.FindAttribute("name");
        if (!found[std::size(kEmbedSources)] && element.IsElement("param") && name != nullptr &&
            *name == "movie")
            found[std::size(kEmbedSources)] = AttributeAddress(element, "value");
    });
    for (auto& address : found)
        if (address) return address;
    return std::nullopt;
}

long MaxWidth(const XmlNode& photoUrl) {
    const std::string_view text = photoUrl.AttributeView("max-width");
    long width = 0;
    std::from_chars(text.data(), text.data() + text.size(), width);
    return width;
}

// The photo-url with the largest max-width among the children of `parent`;
// the first of equals.
std::optional<std::string> LargestPhoto(const XmlNode& parent) {
    std::optional<std::string> best;
    long bestWidth = -1;
    for (const XmlNode& child : parent.ChildElements()) {
        if (child.Name() != "photo-url") continue;
        const long width = MaxWidth(child);
        if (width <= bestWidth) continue;
        if (auto address = CleanAddress(child.Text())) {
            best = std::move(address);
            bestWidth = width;
        }
    }
    return best;
}

class Collection {
public:
    void Add(std::vector<MediaAddress> addresses) {
        for (MediaAddress& address : addresses) Add(std::move(address));
    }
    void Add(MediaAddress address) {
        if (seen_.insert(address.url).second) addresses_.push_back(std::move(address));
    }
    std::vector<MediaAddress> Take() { return std::move(addresses_); }

private:
    std::unordered_set<std::string> seen_;
    std::vector<MediaAddress> addresses_;
};

void CollectPost(const XmlNode& post, Collection& collection) {
    const std::string postId = post.AttributeText("id");
    const auto file = [&](std::string url) { return MediaAddress{std::move(url), postId, false}; };

    if (auto photo = LargestPhoto(post)) collection.Add(file(std::move(*photo)));
    for (const XmlNode& child : post.ChildElements()) {
        if (child.Name() != "photoset") continue;
        for (const XmlNode& photo : child.ChildElements())
            if (auto address = LargestPhoto(photo)) collection.Add(file(std::move(*address)));
    }
    for (const XmlNode& field : post.SelectNodes(".//*")) {
        const std::string name = field.Name();
        if (name == "audio-player" || name == "audio-embed") {
            collection.Add(AudioInPlayer(field.Text(), postId));
        } else if (name == "video-player") {
            collection.Add(VideoInPlayer(field.Text(), postId));
        } else if (kHtmlFields.contains(name)) {
            collection.Add(ImagesInHtml(field.Text(), postId));
        }
    }
}

}  // namespace

std::vector<MediaAddress> ImagesInHtml(std::string_view html, const std::string& postId) {
    std::vector<MediaAddress> images;
    ForEachElement(html, [&](const html::Node& element) {
        if (!element.IsElement("img")) return;
        if (auto address = AttributeAddress(element, "src"))
            images.push_back({std::move(*address), postId, false});
    });
    return images;
}

std::vector<MediaAddress> AudioInPlayer(std::string_view html, const std::string& postId) {
    // The service's player names its file in an audio_file parameter of the
    // player's own address, whichever element carries it.
    std::vector<MediaAddress> audio;
    ForEachElement(html, [&](const html::Node& element) {
        for (const html::Attribute& attribute : element.attributes) {
            if (!IsWebAddress(attribute.value)) continue;
            const auto file = QueryValue(attribute.value, "audio_file");
            if (!file) continue;
            if (auto address = CleanAddress(*file)) audio.push_back({std::move(*address), postId, false});
        }
    });
    if (audio.empty())
        if (auto embed = EmbedAddress(html)) audio.push_back({std::move(*embed), postId, true});
    return audio;
}

std::vector<MediaAddress> VideoInPlayer(std::string_view html, const std::string& postId) {
    std::vector<MediaAddress> video;
    ForEachElement(html, [&](const html::Node& element) {
        if (!element.IsElement("video") && !element.IsElement("source")) return;
        auto address = AttributeAddress(element, "src");
        if (address && !LastPathSegment(*address).empty())
            video.push_back({std::move(*address), postId, false});
    });
    if (video.empty())
        if (auto embed = EmbedAddress(html)) video.push_back({std::move(*embed), postId, true});
    return video;
}

std::vector<MediaAddress> CollectMediaAddresses(const XmlDocument& backup) {
    Collection collection;
    for (const XmlNode& post : backup.DocumentNode().SelectNodes("/tumblr/posts/post"))
        CollectPost(post, collection);
    return collection.Take();
}

Result<std::vector<MediaAddress>> ReadMediaAddresses(const std::string& path) {
    XmlDocument backup;
    if (!backup.Load(path, 0))
        return Status(StatusKind::UnreadableXml, path + ": " + backup.ParseError().Reason());
    if (backup.RootElement().Name() != "tumblr")
        return Status(StatusKind::NotBlogXml, path + ": this is not a blog's backup");
    return CollectMediaAddresses(backup);
}

}  // namespace qv::media
