// SPDX-License-Identifier: GPL-3.0-or-later
// A piece of HTML as a browser would read it inside a page's body, parsed by
// gumbo into a tree of owned nodes that callers walk or rebuild (plain markup,
// which gumbo would read as written, is read by PlainMarkup instead). Entities
// are decoded; malformed markup is repaired the way browsers repair it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv::html {

enum class NodeKind { Element, Text, Comment };
enum class Namespace { Html, Svg, MathMl };

struct Attribute {
    std::string name;  // lower case for HTML elements
    std::string value;
};

struct Node {
    NodeKind kind = NodeKind::Text;
    Namespace space = Namespace::Html;
    std::string name;  // elements: the tag name in lower case
    std::vector<Attribute> attributes;
    std::string text;  // text and comments
    std::vector<Node> children;

    static Node Element(std::string name, std::vector<Attribute> attributes = {});
    static Node Text(std::string text);

    bool IsElement() const { return kind == NodeKind::Element; }
    bool IsElement(std::string_view tag) const { return kind == NodeKind::Element && name == tag; }
    // The value of attribute `name`, or nullptr when the element has none.
    const std::string* FindAttribute(std::string_view attributeName) const;
};

struct ParseOptions {
    bool keepComments = false;
    // Elements nested deeper than this keep only their text, so that hostile
    // nesting cannot exhaust the stack of whoever walks the tree.
    std::size_t maxDepth = 200;
    // Attributes of a tag beyond this many are left out: only hostile markup
    // has more, and the parser compares each one with all before it.
    std::size_t maxAttributes = 64;
    // Formatting elements (b, i, font, ...) left open beyond this many are
    // left out: a browser opens all of them again in every new paragraph.
    std::size_t maxFormatting = 8;
};

class HtmlFragment {
public:
    static HtmlFragment Parse(std::string_view html, const ParseOptions& options = {});

    const std::vector<Node>& Nodes() const { return nodes_; }
    std::vector<Node>& Nodes() { return nodes_; }

    // The text of every text node, in document order, without markup.
    std::string Text() const;

private:
    std::vector<Node> nodes_;
};

// Appends the text of `node` and its descendants.
void AppendText(const Node& node, std::string& out);

}  // namespace qv::html
