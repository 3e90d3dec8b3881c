// SPDX-License-Identifier: GPL-3.0-or-later
#include "xml/XmlChecks.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <pugixml.hpp>
#include <string_view>

namespace qv::xmlcheck {

namespace {

// Past the end of the construct that starts at `at` with `opening` and ends
// with `closing`; the end of the text when it never closes.
std::size_t Skip(std::string_view text, std::size_t at, std::string_view opening, std::string_view closing) {
    const std::size_t end = text.find(closing, at + opening.size());
    return end == std::string_view::npos ? text.size() : end + closing.size();
}

// Past a DOCTYPE, whose internal subset may hold ">" in brackets and quotes.
std::size_t SkipDoctype(std::string_view text, std::size_t at) {
    int brackets = 0;
    char quote = 0;
    for (std::size_t i = at + 2; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++brackets;
        } else if (c == ']') {
            --brackets;
        } else if (c == '>' && brackets <= 0) {
            return i + 1;
        }
    }
    return text.size();
}

// Whether the reference at `at` ("&#...;") names a character XML can hold.
bool Holdable(std::string_view text, std::size_t at) {
    std::size_t i = at + 2;
    const bool hex = i < text.size() && text[i] == 'x';
    if (hex) ++i;
    std::uint64_t value = 0;
    bool digits = false;
    for (; i < text.size() && text[i] != ';'; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        int digit;
        if (std::isdigit(c)) {
            digit = c - '0';
        } else if (hex && std::isxdigit(c)) {
            digit = std::tolower(c) - 'a' + 10;
        } else {
            return true;  // not a reference at all: the parser says what is wrong with it
        }
        digits = true;
        value =
            std::min<std::uint64_t>(value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit), 0x110000);
    }
    if (!digits) return true;
    return value != 0 && value < 0x110000 && !(value >= 0xD800 && value <= 0xDFFF);
}

// Where the next comment, CDATA section, processing instruction or DOCTYPE
// begins: the only places where "&#" is no reference. Each of the two
// openings is searched for again only once passed, so the text is read
// through at most once for each.
class MarkupFinder {
public:
    explicit MarkupFinder(std::string_view text) : text_(text) {}

    std::size_t NextFrom(std::size_t from) {
        if (!searched_ || bang_ < from) bang_ = text_.find("<!", from);
        if (!searched_ || question_ < from) question_ = text_.find("<?", from);
        searched_ = true;
        return std::min(bang_, question_);
    }

private:
    std::string_view text_;
    bool searched_ = false;
    std::size_t bang_ = 0;
    std::size_t question_ = 0;
};

// Whether `found` holds for a node below `root`, given the number of its
// ancestors below `root`. Walked without recursion, so that no document can
// make the walk run out of stack; each step asks pugixml one thing once, as
// the walk goes over every node of a large document.
template <typename Found>
bool AnyNode(const pugi::xml_node& root, Found found) {
    int ancestors = 0;
    pugi::xml_node node = root.first_child();
    while (node) {
        if (found(node, ancestors)) return true;
        if (const pugi::xml_node child = node.first_child()) {
            node = child;
            ++ancestors;
            continue;
        }
        pugi::xml_node next = node.next_sibling();
        while (!next && ancestors > 0) {
            node = node.parent();
            --ancestors;
            next = node.next_sibling();
        }
        node = next;
    }
    return false;
}

// Past the markup that begins at `at`.
std::size_t SkipMarkup(std::string_view text, std::size_t at) {
    if (text.substr(at, 4) == "<!--") return Skip(text, at, "<!--", "-->");
    if (text.substr(at, 9) == "<![CDATA[") return Skip(text, at, "<![CDATA[", "]]>");
    if (text.substr(at, 2) == "<?") return Skip(text, at, "<?", "?>");
    return SkipDoctype(text, at);
}

}  // namespace

std::optional<std::size_t> FindUnholdableReference(const char* data, std::size_t size) {
    const std::string_view text(data, size);
    // Markup is looked for only once there is a reference: most documents hold none.
    MarkupFinder markups(text);
    std::size_t passed = 0;
    for (std::size_t at = text.find("&#"); at != std::string_view::npos; at = text.find("&#", at)) {
        // Markup before the reference is passed over; one that holds it hides it.
        for (std::size_t markup = markups.NextFrom(passed); markup < at; markup = markups.NextFrom(passed)) {
            passed = SkipMarkup(text, markup);
            if (passed > at) at = passed;
        }
        if (text.compare(at, 2, "&#") != 0) continue;  // moved past markup: look again from here
        if (!Holdable(text, at)) return at;
        at += 2;
    }
    return std::nullopt;
}

bool NestedTooDeep(const pugi::xml_document& document) {
    return AnyNode(document, [](const pugi::xml_node& node, int ancestors) {
        return ancestors >= kMaxElementDepth && node.type() == pugi::node_element;
    });
}

std::string DeclaredEncoding(const char* data, std::size_t size) {
    std::string_view text(data, std::min<std::size_t>(size, 1024));
    if (text.starts_with("\xEF\xBB\xBF")) return "";
    if (!text.starts_with("<?xml")) return "";
    text = text.substr(0, text.find("?>"));
    const std::size_t name = text.find("encoding");
    if (name == std::string_view::npos) return "";
    std::size_t at = name + 8;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
        ++at;
    if (at >= text.size() || text[at] != '=') return "";
    ++at;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
        ++at;
    if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) return "";
    const std::size_t close = text.find(text[at], at + 1);
    if (close == std::string_view::npos) return "";
    std::string encoding(text.substr(at + 1, close - at - 1));
    std::transform(encoding.begin(), encoding.end(), encoding.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return encoding;
}

}  // namespace qv::xmlcheck
