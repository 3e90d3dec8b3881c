// SPDX-License-Identifier: GPL-3.0-or-later
// XML documents with XPath. Nodes are light handles into their document; they
// stay valid while the document lives and the node is not removed.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
struct xml_node_struct;
struct xml_attribute_struct;
}  // namespace pugi

namespace qv {

class XmlNodeList;
class FileOps;
struct FileSaveOptions;

enum XmlNodeType { xntElement = 1 };

class XmlParseError {
public:
    XmlParseError() = default;
    XmlParseError(std::string reason, std::ptrdiff_t offset) : reason_(std::move(reason)), offset_(offset) {}

    // What went wrong and where, e.g. "Start-end tags mismatch at line 3, column 9".
    const std::string& Reason() const { return reason_; }
    // Byte offset of the problem in the parsed text, or -1 when it is not a syntax error.
    std::ptrdiff_t Offset() const { return offset_; }

private:
    std::string reason_;
    std::ptrdiff_t offset_ = -1;
};

// An element, an attribute, or the document node. A default-made node is the
// absent node: queries on it find nothing and its text is empty.
class XmlNode {
public:
    XmlNode() = default;
    XmlNode(pugi::xml_node_struct* node, pugi::xml_attribute_struct* attribute = nullptr)
        : node_(node), attribute_(attribute) {}

    bool IsNull() const { return node_ == nullptr; }
    explicit operator bool() const { return node_ != nullptr; }
    bool IsAttribute() const { return attribute_ != nullptr; }

    std::string Name() const;
    // The value of an attribute; the concatenated text of an element.
    std::string Text() const;
    // Sets an attribute's value, or replaces an element's content by one text.
    void SetText(const std::string& text);
    // Value of the element's attribute `name`, "" when it has none.
    std::string AttributeText(const std::string& name) const;
    // The same without a copy; valid while the attribute is neither changed nor removed.
    std::string_view AttributeView(const char* name) const;

    // XPath from this node. The list is a snapshot: removing listed nodes from
    // the document changes neither the list nor its count.
    // Raises qv::Error for a malformed expression.
    XmlNodeList SelectNodes(const std::string& xpath) const;
    XmlNode SelectSingleNode(const std::string& xpath) const;

    // Creates a new element as the last child of this one.
    XmlNode AddChild(int nodeType, const std::string& name, const std::string& namespaceUri);
    // Appends a deep copy of `node` (which may belong to another document) as the
    // last child and leaves `node` where it was. Returns the copy.
    XmlNode AppendChild(const XmlNode& node);
    // Inserts a deep copy of `node` before `reference`, or as the last child when
    // `reference` is absent. Returns the copy.
    XmlNode InsertBefore(const XmlNode& node, const XmlNode& reference);
    // Moves a node of the same document before `reference`, one of this node's
    // children, or to the end of them when `reference` is absent; without copying it.
    void MoveBefore(const XmlNode& node, const XmlNode& reference);
    // Takes the node out of its parent (an attribute out of its element).
    void Remove();
    // The element children of this node, in document order.
    std::vector<XmlNode> ChildElements() const;
    // A walk over the children of every kind, text and comments too; the
    // absent node past the last.
    XmlNode FirstChild() const;
    XmlNode NextSibling() const;
    bool IsElementNamed(std::string_view name) const;

    bool operator==(const XmlNode& other) const = default;

    pugi::xml_node_struct* NodeHandle() const { return node_; }
    pugi::xml_attribute_struct* AttributeHandle() const { return attribute_; }

private:
    pugi::xml_node_struct* node_ = nullptr;
    pugi::xml_attribute_struct* attribute_ = nullptr;
};

class XmlNodeList {
public:
    XmlNodeList() = default;
    explicit XmlNodeList(std::vector<XmlNode> nodes) : nodes_(std::move(nodes)) {}

    int Count() const { return static_cast<int>(nodes_.size()); }
    // 0-based, document order; an index out of range gives the absent node.
    XmlNode Item(int index) const;

    auto begin() const { return nodes_.begin(); }
    auto end() const { return nodes_.end(); }

private:
    std::vector<XmlNode> nodes_;
};

class XmlDocument {
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(XmlDocument&&) noexcept;
    XmlDocument& operator=(XmlDocument&&) noexcept;
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Both answer whether the document was loaded; on failure the document is
    // empty and ParseError() says why. No DTD or external entity is ever read.
    bool Load(const std::string& path, int flags);
    bool LoadXml(const std::string& text, int flags);

    // Writes the document as UTF-8. The file at `path` is replaced only by a
    // complete, synced new file; on failure it is left exactly as it was and
    // SaveError() says why.
    bool Save(const std::string& path, bool indent);
    bool Save(const std::string& path, bool indent, FileOps& files);
    bool Save(const std::string& path, bool indent, const FileSaveOptions& options, FileOps& files);

    const XmlParseError& ParseError() const;
    const std::string& SaveError() const;

    XmlNode DocumentNode() const;
    XmlNode RootElement() const;
    // Text of the first node the query selects from the document node; "" when none.
    std::string NodeText(const std::string& xpath) const;

    // The whole document as text, as Save would write it.
    std::string Xml(bool indent) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qv
