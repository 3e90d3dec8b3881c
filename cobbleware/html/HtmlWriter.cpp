// SPDX-License-Identifier: GPL-3.0-or-later
#include "html/HtmlWriter.h"

#include <algorithm>
#include <array>

namespace qv::html {

namespace {

constexpr std::array<std::string_view, 14> kVoidElements = {"area",  "base",   "br",    "col",  "embed",
                                                            "hr",    "img",    "input", "link", "meta",
                                                            "param", "source", "track", "wbr"};

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == ':' || c == '.';
}

// A name written into a tag must not be able to end the tag or start another
// attribute; the parser lets through names that would.
bool IsSafeName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), IsNameCharacter);
}

template <std::size_t N>
void AppendLiteral(std::string& out, const char (&text)[N]) {
    out.append(text, N - 1);
}

void AppendComment(std::string& out, std::string_view text) {
    AppendLiteral(out, "<!--");
    // "--" or a leading ">" could end the comment early.
    char previous = '\0';
    for (const char c : text) {
        if (c == '-' && previous == '-') {
            out += ' ';
        } else if (c == '>' && (previous == '\0' || previous == '-')) {
            AppendLiteral(out, "&gt;");
            previous = '>';
            continue;
        }
        out += c;
        previous = c;
    }
    if (previous == '-') out += ' ';
    AppendLiteral(out, "-->");
}

// Text and attribute values alike; a quote matters only inside a value.
void AppendEscaped(std::string& out, std::string_view text, bool inAttribute) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* replacement = nullptr;
        switch (text[i]) {
            case '&':
                replacement = "&amp;";
                break;
            case '<':
                replacement = "&lt;";
                break;
            case '>':
                replacement = "&gt;";
                break;
            case '"':
                if (!inAttribute) continue;
                replacement = "&quot;";
                break;
            default:
                continue;
        }
        out.append(text, start, i - start);
        out += replacement;
        start = i + 1;
    }
    out.append(text, start, text.size() - start);
}

}  // namespace

void AppendEscapedText(std::string& out, std::string_view text) { AppendEscaped(out, text, false); }

void AppendEscapedAttribute(std::string& out, std::string_view value) { AppendEscaped(out, value, true); }

bool IsVoidElement(std::string_view name) {
    return std::find(kVoidElements.begin(), kVoidElements.end(), name) != kVoidElements.end();
}

void AppendHtml(std::string& out, const Node& node) {
    switch (node.kind) {
        case NodeKind::Text:
            AppendEscapedText(out, node.text);
            return;
        case NodeKind::Comment:
            AppendComment(out, node.text);
            return;
        case NodeKind::Element:
            break;
    }
    if (!IsSafeName(node.name)) {
        AppendHtml(out, node.children);
        return;
    }
    out += '<';
    out += node.name;
    for (const Attribute& attribute : node.attributes) {
        if (!IsSafeName(attribute.name)) continue;
        out += ' ';
        out += attribute.name;
        AppendLiteral(out, "=\"");
        AppendEscapedAttribute(out, attribute.value);
        out += '"';
    }
    out += '>';
    if (IsVoidElement(node.name)) return;
    AppendHtml(out, node.children);
    AppendLiteral(out, "</");
    out += node.name;
    out += '>';
}

void AppendHtml(std::string& out, const std::vector<Node>& nodes) {
    for (const Node& node : nodes) AppendHtml(out, node);
}

std::string ToHtml(const std::vector<Node>& nodes) {
    std::string out;
    AppendHtml(out, nodes);
    return out;
}

}  // namespace qv::html
