// SPDX-License-Identifier: GPL-3.0-or-later
// A parsed HTML tree written out whole, kinds, namespaces and attributes
// included, so that two trees are the same exactly when their texts are.
#pragma once

#include <string>
#include <vector>

#include "html/HtmlFragment.h"

namespace qv::test {

inline void AppendTreeText(const std::vector<html::Node>& nodes, std::string& out) {
    for (const html::Node& node : nodes) {
        if (node.kind == html::NodeKind::Text) {
            out += "T[" + node.text + "]";
            continue;
        }
        out += "E" + std::to_string(static_cast<int>(node.kind)) + std::to_string(static_cast<int>(node.space)) +
               "<" + node.name;
        for (const html::Attribute& attribute : node.attributes)
            out += " " + attribute.name + "=[" + attribute.value + "]";
        out += ">";
        AppendTreeText(node.children, out);
        out += "</>";
    }
}

inline std::string TreeText(const std::vector<html::Node>& nodes) {
    std::string out;
    AppendTreeText(nodes, out);
    return out;
}

}  // namespace qv::test
