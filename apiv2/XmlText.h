// SPDX-License-Identifier: GPL-3.0-or-later
// Markup made from the service's strings: escaped so that a reader of the
// page gets the very text back, carriage returns included, and well-formed
// whatever the strings hold (bytes that are no UTF-8, or characters XML 1.0
// forbids, become U+FFFD).
#pragma once

#include <string>
#include <string_view>

namespace qv::apiv2 {

void AppendEscapedText(std::string& out, std::string_view text);
// ` name="value"`.
void AppendAttribute(std::string& out, std::string_view name, std::string_view value);
// `<name>text</name>`.
void AppendElement(std::string& out, std::string_view name, std::string_view text);

}  // namespace qv::apiv2
