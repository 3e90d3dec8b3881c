// SPDX-License-Identifier: GPL-3.0-or-later
#include "V2PostJson.h"

#include <pugixml.hpp>

namespace qv::test {

namespace {

using nlohmann::json;

std::string TextOf(const pugi::xml_node& post, const char* name) { return post.child_value(name); }

json NullableText(const pugi::xml_node& post, const char* name) {
    return post.child(name) ? json(TextOf(post, name)) : json(nullptr);
}

// One photo's sizes: the widest is the original, every size an alternative.
json Photo(const pugi::xml_node& holder, const std::string& caption) {
    json sizes = json::array();
    json original;
    long long widest = -1;
    for (const pugi::xml_node url : holder.children("photo-url")) {
        const long long width = url.attribute("max-width").as_llong();
        json size = {{"width", width}, {"height", width * 3 / 4}, {"url", url.child_value()}};
        if (width > widest) {
            widest = width;
            original = size;
        }
        sizes.push_back(size);
    }
    json photo = {{"caption", caption}, {"alt_sizes", sizes}};
    if (!original.is_null()) photo["original_size"] = original;
    return photo;
}

json Dialogue(const pugi::xml_node& post) {
    json lines = json::array();
    pugi::xml_node holder = post.child("conversation");
    const char* lineName = "line";
    if (!holder) {
        holder = post;
        lineName = "conversation-line";
    }
    for (const pugi::xml_node line : holder.children(lineName))
        lines.push_back({{"name", line.attribute("name").value()},
                         {"label", line.attribute("label").value()},
                         {"phrase", line.child_value()}});
    return lines;
}

}  // namespace

nlohmann::json V2PostFromReadApi(const std::string& postXml, const std::string& blogName) {
    pugi::xml_document document;
    if (!document.load_string(postXml.c_str())) return nullptr;
    const pugi::xml_node post = document.child("post");
    if (!post) return nullptr;
    const std::string id = post.attribute("id").value();
    std::string type = post.attribute("type").value();
    if (type == "regular") type = "text";
    if (type == "conversation") type = "chat";

    json out = {{"blog_name", blogName},
                {"id", std::stoull(id)},
                {"id_string", id},
                {"type", type},
                {"note_count", 0}};
    const char* address = post.attribute("url-with-slug") ? "url-with-slug" : "url";
    if (post.attribute(address)) out["post_url"] = post.attribute(address).value();
    if (post.attribute("slug")) out["slug"] = post.attribute("slug").value();
    if (post.attribute("date-gmt")) out["date"] = post.attribute("date-gmt").value();
    if (post.attribute("unix-timestamp")) out["timestamp"] = post.attribute("unix-timestamp").as_llong();
    if (post.attribute("format")) out["format"] = post.attribute("format").value();
    if (post.attribute("reblog-key")) out["reblog_key"] = post.attribute("reblog-key").value();
    out["state"] = std::string(post.attribute("private").value()) == "true" ? "private"
                   : post.attribute("state")                                 ? post.attribute("state").value()
                                                                             : "published";
    for (const char* flag : {"bookmarklet", "mobile"})
        if (std::string(post.attribute(flag).value()) == "true") out[flag] = true;
    json tags = json::array();
    for (const pugi::xml_node tag : post.children("tag")) tags.push_back(tag.child_value());
    out["tags"] = tags;

    if (type == "text") {
        out["title"] = NullableText(post, "regular-title");
        out["body"] = TextOf(post, "regular-body");
    } else if (type == "photo") {
        out["caption"] = TextOf(post, "photo-caption");
        if (post.child("photo-link-url")) out["link_url"] = TextOf(post, "photo-link-url");
        if (post.attribute("width")) out["width"] = post.attribute("width").as_llong();
        if (post.attribute("height")) out["height"] = post.attribute("height").as_llong();
        json photos = json::array();
        if (const pugi::xml_node set = post.child("photoset")) {
            for (const pugi::xml_node photo : set.children("photo"))
                photos.push_back(Photo(photo, photo.attribute("caption").value()));
        } else {
            photos.push_back(Photo(post, ""));
        }
        out["photos"] = photos;
    } else if (type == "quote") {
        out["text"] = TextOf(post, "quote-text");
        out["source"] = TextOf(post, "quote-source");
    } else if (type == "link") {
        out["title"] = TextOf(post, "link-text");
        out["url"] = TextOf(post, "link-url");
        out["description"] = TextOf(post, "link-description");
    } else if (type == "chat") {
        out["title"] = NullableText(post, "conversation-title");
        out["body"] = TextOf(post, "conversation-text");
        out["dialogue"] = Dialogue(post);
    } else if (type == "audio") {
        out["caption"] = TextOf(post, "audio-caption");
        out["player"] = TextOf(post, "audio-player");
        if (post.attribute("audio-plays")) out["plays"] = post.attribute("audio-plays").as_llong();
    } else if (type == "video") {
        out["caption"] = TextOf(post, "video-caption");
        if (post.child("video-source")) out["permalink_url"] = TextOf(post, "video-source");
        out["player"] = json::array({{{"width", 250}, {"embed_code", "<!-- a smaller player -->"}},
                                     {{"width", 500}, {"embed_code", TextOf(post, "video-player")}}});
    } else if (type == "answer") {
        out["question"] = TextOf(post, "question");
        out["answer"] = TextOf(post, "answer");
    }
    return out;
}

std::string UnescapedXmlText(const std::string& escaped) {
    pugi::xml_document document;
    if (!document.load_string(("<t>" + escaped + "</t>").c_str())) return escaped;
    return document.child("t").child_value();
}

}  // namespace qv::test
