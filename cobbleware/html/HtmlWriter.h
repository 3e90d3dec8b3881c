// SPDX-License-Identifier: GPL-3.0-or-later
// Writes nodes back as HTML. Text and attribute values are always escaped,
// and names that could break out of a tag are never written, so whatever a
// tree holds, the result parses back to the same tree shape.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "html/HtmlFragment.h"

namespace qv::html {

// & < > become references.
void AppendEscapedText(std::string& out, std::string_view text);
// & " < > become references; the result belongs between double quotes.
void AppendEscapedAttribute(std::string& out, std::string_view value);

// Elements that have no content and no end tag (br, img, ...).
bool IsVoidElement(std::string_view name);

void AppendHtml(std::string& out, const Node& node);
void AppendHtml(std::string& out, const std::vector<Node>& nodes);
std::string ToHtml(const std::vector<Node>& nodes);

}  // namespace qv::html
