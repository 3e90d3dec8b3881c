// SPDX-License-Identifier: GPL-3.0-or-later
// One post as our pages show it: its <article> (the same on the post's own
// page and in the lists) and what the lists, the archive and the search need
// to know about it. Every post type of the read API has its own markup.
#pragma once

#include <pugixml.hpp>
#include <string>
#include <vector>

#include "HtmlSanitizer.h"
#include "MediaLinks.h"
#include "Templates.h"

namespace qv::site {

struct RenderedPost {
    std::string id;
    std::string page;  // post/ID.html
    std::string url;   // the post on the blog, when it is a web address
    std::string type;
    std::string typeLabel;  // "Text", "Photo", ...
    std::string summary;    // its title, or the first words of its text
    std::string date;       // for reading
    std::string iso;        // for <time datetime>
    std::string monthKey;   // "2009-07", "" when undated
    bool isPrivate = false;
    std::vector<std::string> tags;
    std::string articleHtml;
    std::string searchWords;
};

class PostRenderer {
public:
    PostRenderer(const HtmlSanitizer& sanitizer, const MediaLinks& media, Templates& templates)
        : sanitizer_(sanitizer), media_(media), templates_(templates) {}

    RenderedPost Render(pugi::xml_node post);

private:
    struct Fields;
    void Regular(pugi::xml_node post, Fields& fields);
    void Photo(pugi::xml_node post, Fields& fields);
    void Quote(pugi::xml_node post, Fields& fields);
    void Link(pugi::xml_node post, Fields& fields);
    void Conversation(pugi::xml_node post, Fields& fields);
    void Video(pugi::xml_node post, Fields& fields);
    void Audio(pugi::xml_node post, Fields& fields);
    void Answer(pugi::xml_node post, Fields& fields);

    std::string CleanChild(pugi::xml_node post, const char* child, Fields& fields);

    const HtmlSanitizer& sanitizer_;
    const MediaLinks& media_;
    Templates& templates_;
};

// The tag's page, from the site's top folder.
std::string TagPageOf(const std::string& tag);

}  // namespace qv::site
