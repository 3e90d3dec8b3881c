// SPDX-License-Identifier: GPL-3.0-or-later
// What of a post's HTML reaches our pages. The text comes from the service
// and from whoever the post was reblogged from, so it is parsed with a real
// HTML parser and rebuilt from an allow-list: elements and attributes that
// only format text, links to web and mail addresses, and media through the
// media folder. Scripts, frames, plug-ins, forms, styles, event handlers and
// every other address scheme are left out; frames and plug-ins become a link
// to their original, named by its site.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "MediaLinks.h"
#include "html/HtmlFragment.h"

namespace qv::site {

class HtmlSanitizer {
public:
    explicit HtmlSanitizer(const MediaLinks& media) : media_(media) {}

    // The safe version of `html` as nodes; relative addresses are read as on
    // `base`, the post's own page on the service. The text a reader sees is
    // appended to `text` when it is given.
    std::vector<html::Node> Clean(std::string_view html, std::string_view base,
                                  std::string* text = nullptr) const;
    // The same, written as HTML.
    std::string CleanHtml(std::string_view html, std::string_view base, std::string* text = nullptr) const;

    // The text a browser would show for `html`, for fields shown as plain text.
    static std::string TextOf(std::string_view html);

private:
    struct Walk;
    void CleanNode(const html::Node& node, std::vector<html::Node>& out, Walk& walk) const;
    void CleanElement(const html::Node& node, std::vector<html::Node>& out, Walk& walk) const;
    void CleanPicture(const html::Node& node, std::vector<html::Node>& out, Walk& walk) const;
    void CleanPlayer(const html::Node& node, std::vector<html::Node>& out, Walk& walk) const;
    void CleanEmbed(const html::Node& node, std::vector<html::Node>& out, Walk& walk) const;

    const MediaLinks& media_;
};

}  // namespace qv::site
