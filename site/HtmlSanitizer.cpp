// SPDX-License-Identifier: GPL-3.0-or-later
#include "HtmlSanitizer.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "MediaMarkup.h"
#include "PlayerAddresses.h"
#include "UrlPolicy.h"
#include "html/WebAddress.h"
#include "html/HtmlWriter.h"

namespace qv::site {

namespace {

using html::Attribute;
using html::Node;

// How an attribute's value is checked before it is kept.
enum class Value { Text, Link, Number, Direction, ListType, Scope, Present };

struct AttributeRule {
    std::string_view name;
    Value value;
};

using Rules = std::vector<AttributeRule>;

const std::unordered_map<std::string_view, Rules>& AllowedElements() {
    static const std::unordered_map<std::string_view, Rules> elements = [] {
        std::unordered_map<std::string_view, Rules> table;
        for (std::string_view plain :
             {"p",       "br",      "hr",    "b",     "strong", "i",       "em",     "u",          "s",
              "strike",  "sub",     "sup",   "small", "big",    "mark",    "cite",   "code",       "pre",
              "kbd",     "samp",    "var",   "tt",    "dfn",    "h1",      "h2",     "h3",         "h4",
              "h5",      "h6",      "ul",    "li",    "dl",     "dt",      "dd",     "div",        "span",
              "table",   "caption", "thead", "tbody", "tfoot",  "tr",      "figure", "figcaption", "details",
              "summary", "ruby",    "rt",    "rp",    "center", "address", "wbr"})
            table[plain] = {};
        table["a"] = {{"href", Value::Link}};
        table["abbr"] = {{"title", Value::Text}};
        table["blockquote"] = {{"cite", Value::Link}};
        table["q"] = {{"cite", Value::Link}};
        table["del"] = {{"cite", Value::Link}, {"datetime", Value::Text}};
        table["ins"] = {{"cite", Value::Link}, {"datetime", Value::Text}};
        table["ol"] = {{"start", Value::Number}, {"reversed", Value::Present}, {"type", Value::ListType}};
        table["li"] = {{"value", Value::Number}};
        table["th"] = {{"colspan", Value::Number}, {"rowspan", Value::Number}, {"scope", Value::Scope}};
        table["td"] = {{"colspan", Value::Number}, {"rowspan", Value::Number}};
        table["colgroup"] = {{"span", Value::Number}};
        table["col"] = {{"span", Value::Number}};
        table["time"] = {{"datetime", Value::Text}};
        return table;
    }();
    return elements;
}

const Rules& CommonAttributes() {
    static const Rules common = {{"title", Value::Text}, {"lang", Value::Text}, {"dir", Value::Direction}};
    return common;
}

// Gone with everything inside them: running code, loading pages or plug-ins,
// taking input, styling the page, or text that is not shown (templates, heads).
bool IsDroppedWithContent(std::string_view name) {
    static const std::vector<std::string_view> dropped = {
        "script",   "style",    "noscript", "template",  "form",   "input",  "button",   "select",
        "option",   "textarea", "head",     "title",     "meta",   "link",   "base",     "frameset",
        "noframes", "noembed",  "xmp",      "plaintext", "canvas", "dialog", "param",    "source",
        "track",    "map",      "area",     "applet",    "portal", "slot",   "datalist", "output",
        "progress", "meter",    "optgroup", "fieldset",  "legend", "label"};
    return std::find(dropped.begin(), dropped.end(), name) != dropped.end();
}

// Elements that end a run of words, so that their texts are not glued together.
bool IsBlock(std::string_view name) {
    static const std::vector<std::string_view> blocks = {
        "p",      "br",     "hr",         "div",    "li",         "dt",      "dd",      "h1",      "h2",
        "h3",     "h4",     "h5",         "h6",     "tr",         "td",      "th",      "pre",     "ul",
        "ol",     "dl",     "blockquote", "figure", "figcaption", "table",   "caption", "section", "article",
        "header", "footer", "aside",      "nav",    "main",       "address", "center",  "details", "summary"};
    return std::find(blocks.begin(), blocks.end(), name) != blocks.end();
}

bool IsEmbed(std::string_view name) {
    return name == "iframe" || name == "embed" || name == "object" || name == "frame";
}

bool IsDigits(std::string_view value, std::size_t longest) {
    return !value.empty() && value.size() <= longest &&
           std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<int> PixelsOf(const Node& node, std::string_view name) {
    const std::string* value = node.FindAttribute(name);
    if (value == nullptr || !IsDigits(*value, 5)) return std::nullopt;
    const int pixels = std::stoi(*value);
    return pixels > 0 ? std::optional<int>(pixels) : std::nullopt;
}

}  // namespace

struct HtmlSanitizer::Walk {
    std::string_view base;
    std::string* text;
    std::size_t links = 0;  // kept links around the node being cleaned

    // A stand-in for media is a link of its own, and links must not nest:
    // inside one it is plain, and the outer link still leads somewhere.
    void Add(Node node, std::vector<Node>& out) const {
        if (links > 0 && node.IsElement("a")) {
            node.name = "span";
            std::erase_if(node.attributes,
                          [](const Attribute& attribute) { return attribute.name == "href"; });
        }
        out.push_back(std::move(node));
    }

    void Separate() const {
        if (text != nullptr && !text->empty() && text->back() != ' ') *text += ' ';
    }
};

std::vector<Node> HtmlSanitizer::Clean(std::string_view html, std::string_view base,
                                       std::string* text) const {
    std::vector<Node> out;
    // Plain text needs no parser: nothing in it can be markup.
    if (html.find_first_of("<&") == std::string_view::npos) {
        if (!html.empty()) out.push_back(Node::Text(std::string(html)));
        if (text != nullptr) *text += html;
        return out;
    }
    const html::HtmlFragment fragment = html::HtmlFragment::Parse(html);
    Walk walk{base, text};
    for (const Node& node : fragment.Nodes()) CleanNode(node, out, walk);
    return out;
}

std::string HtmlSanitizer::CleanHtml(std::string_view html, std::string_view base, std::string* text) const {
    return html::ToHtml(Clean(html, base, text));
}

namespace {

// The text of what the sanitiser keeps: nothing of scripts, styles and the like.
void AppendShownText(const Node& node, std::string& text) {
    if (node.kind == html::NodeKind::Text) text += node.text;
    if (!node.IsElement() || node.space != html::Namespace::Html || IsDroppedWithContent(node.name)) return;
    for (const Node& child : node.children) AppendShownText(child, text);
}

}  // namespace

std::string HtmlSanitizer::TextOf(std::string_view html) {
    if (html.find_first_of("<&") == std::string_view::npos) return std::string(html);
    std::string text;
    const html::HtmlFragment fragment = html::HtmlFragment::Parse(html);
    for (const Node& node : fragment.Nodes()) AppendShownText(node, text);
    return text;
}

void HtmlSanitizer::CleanNode(const Node& node, std::vector<Node>& out, Walk& walk) const {
    switch (node.kind) {
        case html::NodeKind::Text:
            out.push_back(node);
            if (walk.text != nullptr) *walk.text += node.text;
            return;
        case html::NodeKind::Comment:
            return;
        case html::NodeKind::Element:
            CleanElement(node, out, walk);
            return;
    }
}

void HtmlSanitizer::CleanElement(const Node& node, std::vector<Node>& out, Walk& walk) const {
    // SVG and MathML have their own ways to run scripts and load things.
    if (node.space != html::Namespace::Html || IsDroppedWithContent(node.name)) return;
    if (node.name == "img") return CleanPicture(node, out, walk);
    if (node.name == "audio" || node.name == "video") return CleanPlayer(node, out, walk);
    if (IsEmbed(node.name)) return CleanEmbed(node, out, walk);

    const auto& allowed = AllowedElements();
    const auto rules = allowed.find(node.name);
    const bool block = IsBlock(node.name);
    if (block) walk.Separate();
    if (rules == allowed.end()) {
        // Unknown or merely decorative elements give way to their content.
        for (const Node& child : node.children) CleanNode(child, out, walk);
        if (block) walk.Separate();
        return;
    }
    Node clean = Node::Element(node.name);
    for (const Attribute& attribute : node.attributes) {
        const auto matches = [&attribute](const AttributeRule& rule) { return rule.name == attribute.name; };
        auto rule = std::find_if(rules->second.begin(), rules->second.end(), matches);
        if (rule == rules->second.end()) {
            rule = std::find_if(CommonAttributes().begin(), CommonAttributes().end(), matches);
            if (rule == CommonAttributes().end()) continue;
        }
        std::string value = attribute.value;
        switch (rule->value) {
            case Value::Text:
                break;
            case Value::Link:
                value = SafeLinkUrl(value, walk.base);
                if (value.empty()) continue;
                break;
            case Value::Number:
                if (!IsDigits(value, 6)) continue;
                break;
            case Value::Direction:
                if (value != "ltr" && value != "rtl" && value != "auto") continue;
                break;
            case Value::ListType:
                if (value != "1" && value != "a" && value != "A" && value != "i" && value != "I") continue;
                break;
            case Value::Scope:
                if (value != "row" && value != "col" && value != "rowgroup" && value != "colgroup") continue;
                break;
            case Value::Present:
                value.clear();
                break;
        }
        clean.attributes.push_back({attribute.name, std::move(value)});
    }
    if (node.name == "a" && clean.FindAttribute("href") == nullptr) {
        for (const Node& child : node.children) CleanNode(child, out, walk);
        return;
    }
    const bool link = node.name == "a";
    if (link) ++walk.links;
    for (const Node& child : node.children) CleanNode(child, clean.children, walk);
    if (link) --walk.links;
    if (block) walk.Separate();
    out.push_back(std::move(clean));
}

void HtmlSanitizer::CleanPicture(const Node& node, std::vector<Node>& out, Walk& walk) const {
    const std::string* source = node.FindAttribute("src");
    if (source == nullptr) return;
    const std::string* altText = node.FindAttribute("alt");
    const std::string alt = altText != nullptr ? *altText : "";
    if (walk.text != nullptr && !alt.empty()) {
        walk.Separate();
        *walk.text += alt;
        walk.Separate();
    }
    const std::string url = html::CleanUrl(*source);
    if (IsInlineImage(url)) {
        out.push_back(Node::Element("img", {{"src", url}, {"alt", alt}}));
        return;
    }
    const MediaLink link = media_.Picture(ResolveUrl(url, walk.base));
    if (link.original.empty()) return;
    std::optional<PixelSize> declared;
    const std::optional<int> width = PixelsOf(node, "width");
    const std::optional<int> height = PixelsOf(node, "height");
    if (width && height) declared = PixelSize{*width, *height};
    walk.Add(PictureMarkup(link, alt, declared), out);
}

void HtmlSanitizer::CleanPlayer(const Node& node, std::vector<Node>& out, Walk& walk) const {
    const std::string* source = node.FindAttribute("src");
    for (const Node& child : node.children)
        if (source == nullptr && child.IsElement("source")) source = child.FindAttribute("src");
    if (source == nullptr) return;
    const MediaLink link = media_.File(ResolveUrl(html::CleanUrl(*source), walk.base));
    if (link.original.empty()) return;
    const bool sound = node.name == "audio";
    walk.Add(PlayerMarkup(link, node.name, sound ? "Sound not kept offline" : "Film not kept offline"), out);
}

void HtmlSanitizer::CleanEmbed(const Node& node, std::vector<Node>& out, Walk& walk) const {
    const std::string address = PlayerPageAddress({node}, walk.base);
    if (!address.empty()) walk.Add(OriginalMarkup(address, OriginalLink::InsteadOfPlayer), out);
}

}  // namespace qv::site
