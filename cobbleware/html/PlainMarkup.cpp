// SPDX-License-Identifier: GPL-3.0-or-later
#include "html/PlainMarkup.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

namespace qv::html {

namespace {

// How a browser places an element in a body, for the elements read here.
enum class Kind {
    Inline,   // opened where it stands
    Void,     // inline, with no content and no end tag
    Block,    // closes an open p first
    Rule,     // hr: a block with no content
    Heading,  // a block that also closes an open heading
    Item,     // li: closes an open li first
    Pre,      // a block that drops a newline right after its start tag
};

struct Element {
    std::string_view name;
    Kind kind;
};

// Elements a browser never moves, closes or reopens on its own while the
// markup closes each where it was opened and the rules below hold. Formatting
// elements (a, b, i, ...) are among the inline ones: properly nested, nothing
// reopens them.
constexpr std::array<Element, 54> kElements = {{
    {"a", Kind::Inline},      {"abbr", Kind::Inline},   {"b", Kind::Inline},
    {"big", Kind::Inline},    {"cite", Kind::Inline},   {"code", Kind::Inline},
    {"del", Kind::Inline},    {"dfn", Kind::Inline},    {"em", Kind::Inline},
    {"i", Kind::Inline},      {"ins", Kind::Inline},    {"kbd", Kind::Inline},
    {"mark", Kind::Inline},   {"q", Kind::Inline},      {"s", Kind::Inline},
    {"samp", Kind::Inline},   {"small", Kind::Inline},  {"span", Kind::Inline},
    {"strike", Kind::Inline}, {"strong", Kind::Inline}, {"sub", Kind::Inline},
    {"sup", Kind::Inline},    {"time", Kind::Inline},   {"tt", Kind::Inline},
    {"u", Kind::Inline},      {"var", Kind::Inline},    {"br", Kind::Void},
    {"img", Kind::Void},      {"wbr", Kind::Void},      {"address", Kind::Block},
    {"article", Kind::Block}, {"aside", Kind::Block},   {"blockquote", Kind::Block},
    {"center", Kind::Block},  {"div", Kind::Block},     {"figcaption", Kind::Block},
    {"figure", Kind::Block},  {"footer", Kind::Block},  {"header", Kind::Block},
    {"main", Kind::Block},    {"nav", Kind::Block},     {"ol", Kind::Block},
    {"p", Kind::Block},       {"section", Kind::Block}, {"ul", Kind::Block},
    {"hr", Kind::Rule},       {"h1", Kind::Heading},    {"h2", Kind::Heading},
    {"h3", Kind::Heading},    {"h4", Kind::Heading},    {"h5", Kind::Heading},
    {"h6", Kind::Heading},    {"li", Kind::Item},       {"pre", Kind::Pre},
}};
const Element* FindElement(std::string_view name) {
    for (const Element& element : kElements)
        if (element.name == name) return &element;
    return nullptr;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsTagBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `text` is UTF-8 with no character the parser would replace, drop
// or change: no NUL or carriage return (line ends are made LF), no other
// control character but tab and LF, no C1 control, no noncharacter, and no
// byte order mark.
bool IsPlainText(std::string_view text) {
    const auto* at = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = at + text.size();
    while (at < end) {
        const unsigned char c = *at;
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) return false;
            ++at;
            continue;
        }
        std::uint32_t code = 0;
        std::size_t length = 0;
        std::uint32_t least = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            code = c & 0x1F;
            length = 2;
            least = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            code = c & 0x0F;
            length = 3;
            least = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            code = c & 0x07;
            length = 4;
            least = 0x10000;
        } else {
            return false;
        }
        if (static_cast<std::size_t>(end - at) < length) return false;
        for (std::size_t i = 1; i < length; ++i) {
            if ((at[i] & 0xC0) != 0x80) return false;
            code = (code << 6) | (at[i] & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        if (code <= 0x9F) return false;  // C1 controls
        if ((code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE || code == 0xFEFF) return false;
        at += length;
    }
    return true;
}

// The character that the reference at `text` (just after its '&') stands
// for, and its length with the ';'; false for any but the commonest few.
bool ReadReference(std::string_view text, std::string& out, std::size_t& length) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kReferences = {{
        {"amp;", "&"},
        {"lt;", "<"},
        {"gt;", ">"},
        {"quot;", "\""},
        {"nbsp;", "\xC2\xA0"},
    }};
    for (const auto& [name, character] : kReferences) {
        if (text.starts_with(name)) {
            out += character;
            length = name.size();
            return true;
        }
    }
    return false;
}

// `text` with its references read; false when one is not among the commonest.
bool AppendDecoded(std::string_view text, std::string& out) {
    out.reserve(out.size() + text.size());
    for (;;) {
        const std::size_t amp = text.find('&');
        out.append(text.substr(0, amp));
        if (amp == std::string_view::npos) return true;
        std::size_t length = 0;
        if (!ReadReference(text.substr(amp + 1), out, length)) return false;
        text.remove_prefix(amp + 1 + length);
    }
}

class Reader {
public:
    Reader(std::string_view html, std::size_t maxDepth) : html_(html), maxDepth_(maxDepth) {}

    std::optional<std::vector<Node>> Read() {
        if (!IsPlainText(html_)) return std::nullopt;
        std::vector<Node> top;
        open_.push_back(&top);
        while (at_ < html_.size()) {
            const std::size_t lt = html_.find('<', at_);
            if (lt != at_) {
                const std::size_t end = lt == std::string_view::npos ? html_.size() : lt;
                if (!AddText(html_.substr(at_, end - at_))) return std::nullopt;
                at_ = end;
                continue;
            }
            if (!ReadTag()) return std::nullopt;
        }
        return top;
    }

private:
    bool AddText(std::string_view text) {
        std::string decoded;
        if (!AppendDecoded(text, decoded)) return false;
        open_.back()->push_back(Node::Text(std::move(decoded)));
        return true;
    }

    // A tag name at `at_`: letters, then letters or digits, in lower case.
    bool ReadName(std::string& name) {
        if (at_ >= html_.size() || !IsAsciiLetter(html_[at_])) return false;
        while (at_ < html_.size() && (IsAsciiLetter(html_[at_]) || IsAsciiDigit(html_[at_])))
            name += LowerAscii(html_[at_++]);
        return true;
    }

    bool ReadTag() {
        ++at_;  // '<'
        if (at_ < html_.size() && html_[at_] == '/') {
            ++at_;
            return ReadEndTag();
        }
        return ReadStartTag();
    }

    bool ReadEndTag() {
        std::string name;
        if (!ReadName(name) || at_ >= html_.size() || html_[at_] != '>') return false;
        ++at_;
        // Only the element opened last may close: anything else the browser repairs.
        if (names_.empty() || names_.back() != name) return false;
        names_.pop_back();
        open_.pop_back();
        return true;
    }

    bool SkipBlanks() {
        const std::size_t start = at_;
        while (at_ < html_.size() && IsTagBlank(html_[at_])) ++at_;
        return at_ > start;
    }

    // name="value" or name='value', after the blanks before it.
    bool ReadAttribute(std::vector<Attribute>& attributes) {
        Attribute attribute;
        while (at_ < html_.size()) {
            const char c = html_[at_];
            if (IsAsciiLetter(c) || IsAsciiDigit(c) || c == '-' || c == '_' || c == ':') {
                attribute.name += LowerAscii(c);
                ++at_;
            } else {
                break;
            }
        }
        if (attribute.name.empty() || !IsAsciiLetter(attribute.name.front())) return false;
        if (at_ + 1 >= html_.size() || html_[at_] != '=') return false;
        const char quote = html_[at_ + 1];
        if (quote != '"' && quote != '\'') return false;
        const std::size_t close = html_.find(quote, at_ + 2);
        if (close == std::string_view::npos) return false;
        const std::string_view value = html_.substr(at_ + 2, close - at_ - 2);
        // A line end or tag start inside a value is legal, but it is not plain.
        if (value.find_first_of("<\n\t") != std::string_view::npos) return false;
        if (!AppendDecoded(value, attribute.value)) return false;
        at_ = close + 1;
        // The parser keeps the first of two attributes of one name.
        for (const Attribute& before : attributes)
            if (before.name == attribute.name) return false;
        attributes.push_back(std::move(attribute));
        return true;
    }

    bool ReadStartTag() {
        std::string name;
        if (!ReadName(name)) return false;
        const Element* element = FindElement(name);
        if (element == nullptr) return false;
        std::vector<Attribute> attributes;
        for (;;) {
            const bool blank = SkipBlanks();
            if (at_ >= html_.size()) return false;
            if (html_[at_] == '>') break;
            if (html_[at_] == '/') {
                // Only a void element may say it is closed.
                if (element->kind != Kind::Void && element->kind != Kind::Rule) return false;
                if (at_ + 1 >= html_.size() || html_[at_ + 1] != '>') return false;
                ++at_;
                break;
            }
            if (!blank || !ReadAttribute(attributes)) return false;
        }
        ++at_;  // '>'
        // Deeper elements the tree keeps as text only.
        if (!Fits(*element) || names_.size() >= maxDepth_) return false;
        std::vector<Node>& here = *open_.back();
        here.push_back(Node::Element(std::move(name), std::move(attributes)));
        if (element->kind == Kind::Void || element->kind == Kind::Rule) return true;
        // The newline right after <pre> is not the content's.
        if (element->kind == Kind::Pre && at_ < html_.size() && html_[at_] == '\n') return false;
        names_.push_back(here.back().name);
        open_.push_back(&here.back().children);
        return true;
    }

    bool IsOpen(std::string_view name) const {
        return std::find(names_.begin(), names_.end(), name) != names_.end();
    }

    // Whether the browser would place `element` where it stands, changing
    // nothing that is open.
    bool Fits(const Element& element) const {
        switch (element.kind) {
            case Kind::Inline:
                // A link inside a link closes the first.
                return element.name != "a" || !IsOpen("a");
            case Kind::Void:
                return true;
            case Kind::Block:
            case Kind::Rule:
            case Kind::Pre:
                return !IsOpen("p");
            case Kind::Heading:
                return !IsOpen("p") &&
                       std::none_of(names_.begin(), names_.end(), [](const std::string& open) {
                           return open.size() == 2 && open[0] == 'h' && open[1] >= '1' && open[1] <= '6';
                       });
            case Kind::Item:
                // Right inside its list, no li is open that it could close.
                return !names_.empty() && (names_.back() == "ul" || names_.back() == "ol") && !IsOpen("p");
        }
        return false;
    }

    std::string_view html_;
    std::size_t maxDepth_;
    std::size_t at_ = 0;
    std::vector<std::string> names_;        // the elements open, outermost first
    std::vector<std::vector<Node>*> open_;  // where content goes: the top, then each open element
};

}  // namespace

std::optional<std::vector<Node>> ParsePlainMarkup(std::string_view html, std::size_t maxDepth) {
    return Reader(html, maxDepth).Read();
}

}  // namespace qv::html
