// SPDX-License-Identifier: GPL-3.0-or-later
#include "html/HtmlFragment.h"

#include <gumbo.h>

#include <memory>
#include <optional>
#include <stdexcept>

#include "html/MarkupBounds.h"
#include "html/PlainMarkup.h"

namespace qv::html {

namespace {

struct OutputDeleter {
    const GumboOptions* options;
    void operator()(GumboOutput* output) const { gumbo_destroy_output(options, output); }
};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Gumbo names only the elements it knows; others keep the name as written.
std::string TagName(const GumboElement& element) {
    if (element.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(element.tag);
    GumboStringPiece original = element.original_tag;
    if (original.data == nullptr || original.length == 0) return "";
    gumbo_tag_from_original_text(&original);
    std::string name;
    for (std::size_t i = 0; i < original.length; ++i) {
        const char c = original.data[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '/' || c == '>') break;
        name += LowerAscii(c);
    }
    return name;
}

Namespace NamespaceOf(GumboNamespaceEnum space) {
    switch (space) {
        case GUMBO_NAMESPACE_SVG:
            return Namespace::Svg;
        case GUMBO_NAMESPACE_MATHML:
            return Namespace::MathMl;
        default:
            return Namespace::Html;
    }
}

// Text of a whole subtree, walked without recursion: this is what runs where
// the nesting is too deep to recurse any further.
void AppendSubtreeText(const GumboNode* top, std::string& out) {
    std::vector<const GumboNode*> pending{top};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            const GumboVector& children = node->v.element.children;
            for (unsigned i = children.length; i-- > 0;)
                pending.push_back(static_cast<const GumboNode*>(children.data[i]));
        } else if (node->type != GUMBO_NODE_COMMENT) {
            out += node->v.text.text;
        }
    }
}

class TreeBuilder {
public:
    explicit TreeBuilder(const ParseOptions& options) : options_(options) {}

    void AddChildren(const GumboVector& children, std::vector<Node>& out, std::size_t depth) {
        out.reserve(out.size() + children.length);
        for (unsigned i = 0; i < children.length; ++i)
            Add(static_cast<const GumboNode*>(children.data[i]), out, depth);
    }

private:
    void Add(const GumboNode* source, std::vector<Node>& out, std::size_t depth) {
        switch (source->type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE:
                if (depth >= options_.maxDepth) {
                    std::string text;
                    AppendSubtreeText(source, text);
                    if (!text.empty()) AddText(std::move(text), out);
                    return;
                }
                out.push_back(MakeElement(source->v.element, depth));
                return;
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                AddText(source->v.text.text, out);
                return;
            case GUMBO_NODE_COMMENT:
                if (options_.keepComments) {
                    Node comment;
                    comment.kind = NodeKind::Comment;
                    comment.text = source->v.text.text;
                    out.push_back(std::move(comment));
                }
                return;
            case GUMBO_NODE_DOCUMENT:
                return;
        }
    }

    static void AddText(std::string text, std::vector<Node>& out) {
        if (!out.empty() && out.back().kind == NodeKind::Text) {
            out.back().text += text;
            return;
        }
        out.push_back(Node::Text(std::move(text)));
    }

    Node MakeElement(const GumboElement& source, std::size_t depth) {
        Node element;
        element.kind = NodeKind::Element;
        element.space = NamespaceOf(source.tag_namespace);
        element.name = TagName(source);
        element.attributes.reserve(source.attributes.length);
        for (unsigned i = 0; i < source.attributes.length; ++i) {
            const auto* attribute = static_cast<const GumboAttribute*>(source.attributes.data[i]);
            element.attributes.push_back({attribute->name, attribute->value});
        }
        AddChildren(source.children, element.children, depth + 1);
        return element;
    }

    const ParseOptions& options_;
};

}  // namespace

Node Node::Element(std::string name, std::vector<Attribute> attributes) {
    Node node;
    node.kind = NodeKind::Element;
    node.name = std::move(name);
    node.attributes = std::move(attributes);
    return node;
}

Node Node::Text(std::string text) {
    Node node;
    node.kind = NodeKind::Text;
    node.text = std::move(text);
    return node;
}

const std::string* Node::FindAttribute(std::string_view attributeName) const {
    for (const Attribute& attribute : attributes)
        if (attribute.name == attributeName) return &attribute.value;
    return nullptr;
}

HtmlFragment HtmlFragment::Parse(std::string_view html, const ParseOptions& options) {
    GumboOptions gumboOptions = kGumboDefaultOptions;
    gumboOptions.fragment_context = GUMBO_TAG_BODY;
    gumboOptions.fragment_namespace = GUMBO_NAMESPACE_HTML;
    gumboOptions.max_errors = 0;  // nobody reads them, and recording them costs time
    // What lies beyond the bounds keeps only its text below, so its tags need not cost the parser time.
    std::string bounded;
    if (BoundMarkup(html, {options.maxDepth, options.maxAttributes, options.maxFormatting}, bounded)) {
        html = bounded;
    } else if (std::optional<std::vector<Node>> plain = ParsePlainMarkup(html, options.maxDepth)) {
        HtmlFragment fragment;
        fragment.nodes_ = std::move(*plain);
        return fragment;
    }
    const std::unique_ptr<GumboOutput, OutputDeleter> output(
        gumbo_parse_with_options(&gumboOptions, html.data(), html.size()), OutputDeleter{&gumboOptions});
    if (!output) throw std::runtime_error("The HTML parser could not read a fragment");

    HtmlFragment fragment;
    // A fragment comes back as the children of a made-up html element.
    const GumboNode* root = output->root;
    if (root != nullptr && root->type == GUMBO_NODE_ELEMENT)
        TreeBuilder(options).AddChildren(root->v.element.children, fragment.nodes_, 0);
    return fragment;
}

void AppendText(const Node& node, std::string& out) {
    if (node.kind == NodeKind::Text) {
        out += node.text;
        return;
    }
    if (node.kind == NodeKind::Element)
        for (const Node& child : node.children) AppendText(child, out);
}

std::string HtmlFragment::Text() const {
    std::string text;
    for (const Node& node : nodes_) AppendText(node, text);
    return text;
}

}  // namespace qv::html
