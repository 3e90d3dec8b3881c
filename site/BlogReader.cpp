// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlogReader.h"

#include <string_view>
#include <unordered_set>

namespace qv::site {

std::string ElementText(pugi::xml_node element) {
    const pugi::xml_node first = element.first_child();
    // The usual case, one piece of text, without building anything.
    if (first && !first.next_sibling() &&
        (first.type() == pugi::node_pcdata || first.type() == pugi::node_cdata))
        return first.value();
    std::string text;
    for (pugi::xml_node piece = first; piece; piece = piece.next_sibling())
        if (piece.type() == pugi::node_pcdata || piece.type() == pugi::node_cdata) text += piece.value();
    return text;
}

Status ReadBlog(const std::string& path, Blog& blog) {
    if (!blog.document.Load(path, 0))
        return Status(StatusKind::UnreadableXml,
                      "Can't read " + path + ": " + blog.document.ParseError().Reason());
    const pugi::xml_node root(blog.document.RootElement().NodeHandle());
    if (!root || std::string_view(root.name()) != "tumblr" ||
        std::string_view(root.attribute("version").value()) != "1.0")
        return Status(StatusKind::NotBlogXml,
                      path + " is not a blog backup: it has no <tumblr version=\"1.0\"> element");
    const pugi::xml_node tumblelog = root.child("tumblelog");
    blog.name = tumblelog.attribute("name").value();
    blog.title = tumblelog.attribute("title").value();
    blog.descriptionHtml = ElementText(tumblelog);

    std::unordered_set<std::string_view> seen;
    blog.posts.clear();
    for (pugi::xml_node post : root.child("posts").children("post")) {
        const std::string_view id = post.attribute("id").value();
        // Saved backups hold each id once; a hand-edited file may not, and a
        // post without an id has no page to live on.
        if (id.empty() || !seen.insert(id).second) continue;
        blog.posts.push_back(post);
    }
    return Status::Ok();
}

}  // namespace qv::site
