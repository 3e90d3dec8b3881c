// SPDX-License-Identifier: GPL-3.0-or-later
#include <pugixml.hpp>

#include "Error.h"
#include "Xml.h"

namespace qv {

namespace {

pugi::xml_node AsNode(const XmlNode& node) { return pugi::xml_node(node.NodeHandle()); }
pugi::xml_attribute AsAttribute(const XmlNode& node) { return pugi::xml_attribute(node.AttributeHandle()); }

XmlNode Wrap(const pugi::xpath_node& found) {
    if (found.attribute()) return XmlNode(found.parent().internal_object(), found.attribute().internal_object());
    return XmlNode(found.node().internal_object());
}

void CollectText(const pugi::xml_node& node, std::string& text) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
        else if (child.type() == pugi::node_element)
            CollectText(child, text);
    }
}

pugi::xpath_node Context(const XmlNode& node) {
    if (node.IsAttribute()) return pugi::xpath_node(AsAttribute(node), AsNode(node));
    return pugi::xpath_node(AsNode(node));
}

pugi::xpath_node_set Select(const XmlNode& node, const std::string& xpath) {
    if (node.IsNull()) return {};
    try {
        pugi::xpath_query query(xpath.c_str());
        return query.evaluate_node_set(Context(node));
    } catch (const pugi::xpath_exception& e) {
        throw Error(5, "Bad XPath expression \"" + xpath + "\": " + e.what());
    }
}

}  // namespace

std::string XmlNode::Name() const {
    if (IsAttribute()) return AsAttribute(*this).name();
    return IsNull() ? std::string() : std::string(AsNode(*this).name());
}

std::string XmlNode::Text() const {
    if (IsAttribute()) return AsAttribute(*this).value();
    std::string text;
    if (!IsNull()) CollectText(AsNode(*this), text);
    return text;
}

void XmlNode::SetText(const std::string& text) {
    if (IsAttribute()) {
        AsAttribute(*this).set_value(text.c_str());
        return;
    }
    if (IsNull()) throw Error(91, "SetText on an absent node");
    pugi::xml_node node = AsNode(*this);
    while (node.first_child()) node.remove_child(node.first_child());
    node.append_child(pugi::node_pcdata).set_value(text.c_str());
}

std::string XmlNode::AttributeText(const std::string& name) const {
    if (IsNull() || IsAttribute()) return "";
    return AsNode(*this).attribute(name.c_str()).value();
}

std::string_view XmlNode::AttributeView(const char* name) const {
    if (IsNull() || IsAttribute()) return {};
    return AsNode(*this).attribute(name).value();
}

XmlNodeList XmlNode::SelectNodes(const std::string& xpath) const {
    const pugi::xpath_node_set found = Select(*this, xpath);
    std::vector<XmlNode> nodes;
    nodes.reserve(found.size());
    for (const pugi::xpath_node& each : found) nodes.push_back(Wrap(each));
    return XmlNodeList(std::move(nodes));
}

XmlNode XmlNode::SelectSingleNode(const std::string& xpath) const {
    if (IsNull()) return {};
    try {
        pugi::xpath_query query(xpath.c_str());
        const pugi::xpath_node found = query.evaluate_node(Context(*this));
        return found ? Wrap(found) : XmlNode();
    } catch (const pugi::xpath_exception& e) {
        throw Error(5, "Bad XPath expression \"" + xpath + "\": " + e.what());
    }
}

XmlNode XmlNode::AddChild(int nodeType, const std::string& name, const std::string& namespaceUri) {
    if (IsNull() || IsAttribute()) throw Error(91, "AddChild on an absent node");
    if (nodeType != xntElement) throw Error(5, "AddChild makes elements only");
    pugi::xml_node child = AsNode(*this).append_child(name.c_str());
    if (!child) throw Error(5, "Can't add element \"" + name + "\" here");
    if (!namespaceUri.empty()) child.append_attribute("xmlns").set_value(namespaceUri.c_str());
    return XmlNode(child.internal_object());
}

XmlNode XmlNode::AppendChild(const XmlNode& node) { return InsertBefore(node, XmlNode()); }

XmlNode XmlNode::InsertBefore(const XmlNode& node, const XmlNode& reference) {
    if (IsNull() || IsAttribute() || node.IsNull() || node.IsAttribute())
        throw Error(91, "Only elements can be inserted into elements");
    pugi::xml_node self = AsNode(*this);
    pugi::xml_node copy = reference.IsNull() ? self.append_copy(AsNode(node))
                                             : self.insert_copy_before(AsNode(node), AsNode(reference));
    if (!copy) throw Error(5, "Can't insert \"" + node.Name() + "\" into \"" + Name() + "\"");
    return XmlNode(copy.internal_object());
}

void XmlNode::MoveBefore(const XmlNode& node, const XmlNode& reference) {
    if (IsNull() || IsAttribute() || node.IsNull() || node.IsAttribute())
        throw Error(91, "Only elements can be moved into elements");
    pugi::xml_node self = AsNode(*this);
    const pugi::xml_node moved = reference.IsNull()
                                     ? self.append_move(AsNode(node))
                                     : self.insert_move_before(AsNode(node), AsNode(reference));
    if (!moved) throw Error(5, "Can't move \"" + node.Name() + "\" into \"" + Name() + "\"");
}

void XmlNode::Remove() {
    if (IsNull()) throw Error(91, "Remove on an absent node");
    if (IsAttribute()) {
        AsNode(*this).remove_attribute(AsAttribute(*this));
    } else {
        pugi::xml_node node = AsNode(*this);
        if (!node.parent()) throw Error(5, "The document node can't be removed");
        node.parent().remove_child(node);
    }
    node_ = nullptr;
    attribute_ = nullptr;
}

std::vector<XmlNode> XmlNode::ChildElements() const {
    std::vector<XmlNode> children;
    if (IsNull() || IsAttribute()) return children;
    for (pugi::xml_node child : AsNode(*this).children())
        if (child.type() == pugi::node_element) children.emplace_back(child.internal_object());
    return children;
}

XmlNode XmlNode::FirstChild() const {
    if (IsNull() || IsAttribute()) return {};
    return XmlNode(AsNode(*this).first_child().internal_object());
}

XmlNode XmlNode::NextSibling() const {
    if (IsNull() || IsAttribute()) return {};
    return XmlNode(AsNode(*this).next_sibling().internal_object());
}

bool XmlNode::IsElementNamed(std::string_view name) const {
    if (IsNull() || IsAttribute()) return false;
    const pugi::xml_node node = AsNode(*this);
    return node.type() == pugi::node_element && name == node.name();
}

XmlNode XmlNodeList::Item(int index) const {
    if (index < 0 || index >= Count()) return {};
    return nodes_[static_cast<size_t>(index)];
}

}  // namespace qv
