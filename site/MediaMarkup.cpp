// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaMarkup.h"

#include "OtherSites.h"

namespace qv::site {

namespace {

// The last part of an address's path, which usually names the file.
std::string_view FileNameOf(std::string_view url) {
    url = url.substr(0, url.find_first_of("?#"));
    const std::size_t slash = url.rfind('/');
    return slash == std::string_view::npos ? url : url.substr(slash + 1);
}

}  // namespace

html::Node NotLoadedMarkup(std::string_view original, std::string_view label) {
    html::Node link = html::Node::Element("a", {{"class", "media-missing"}, {"href", std::string(original)}});
    html::Node what = html::Node::Element("span", {{"class", "media-label"}});
    what.children.push_back(html::Node::Text(std::string(label)));
    html::Node where = html::Node::Element("span", {{"class", "media-address"}});
    where.children.push_back(html::Node::Text(std::string(FileNameOf(original))));
    link.children.push_back(std::move(what));
    link.children.push_back(std::move(where));
    return link;
}

html::Node PictureMarkup(const MediaLink& link, std::string_view alt, std::optional<PixelSize> declared) {
    if (link.kind == MediaLink::NotLoaded) return NotLoadedMarkup(link.original, "Picture not kept offline");
    html::Node image = html::Node::Element("img", {{"src", link.href}, {"alt", std::string(alt)}});
    const std::optional<PixelSize> size = link.size ? link.size : declared;
    if (size) {
        image.attributes.push_back({"width", std::to_string(size->width)});
        image.attributes.push_back({"height", std::to_string(size->height)});
    }
    image.attributes.push_back({"loading", "lazy"});
    image.attributes.push_back({"decoding", "async"});
    return image;
}

html::Node PlayerMarkup(const MediaLink& link, std::string_view element, std::string_view label) {
    if (link.kind == MediaLink::NotLoaded) return NotLoadedMarkup(link.original, label);
    // A film shows its first picture once its header is read; a sound has nothing to show.
    const char* preload = element == "video" ? "metadata" : "none";
    return html::Node::Element(std::string(element),
                               {{"controls", ""}, {"preload", preload}, {"src", link.href}});
}

html::Node OriginalMarkup(std::string_view address, OriginalLink where) {
    const std::string page = PlayerPageOf(address);
    const char* kind = where == OriginalLink::InsteadOfPlayer ? "player-link" : "original-link";
    html::Node link = html::Node::Element("a", {{"class", kind}, {"href", page}});
    html::Node site = html::Node::Element("span", {{"class", "site-name"}});
    site.children.push_back(html::Node::Text(SiteNameOf(page)));
    // One box for the words, so that they stay together beside the stand-in's play sign.
    html::Node label = html::Node::Element("span", {{"class", "original-label"}});
    label.children.push_back(std::move(site));
    label.children.push_back(html::Node::Text(": original"));
    link.children.push_back(std::move(label));
    return link;
}

}  // namespace qv::site
