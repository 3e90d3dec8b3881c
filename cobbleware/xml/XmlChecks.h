// SPDX-License-Identifier: GPL-3.0-or-later
// Checks around parsing and saving that keep a document from being read or
// written wrongly or from doing harm later: characters pugixml can't hold,
// nesting that would make any recursive step or an indented save blow up,
// encodings it would mislabel, text the save must escape.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace pugi {
class xml_document;
}

namespace qv::xmlcheck {

// Deeper documents are refused: nothing a blog holds comes near it.
inline constexpr int kMaxElementDepth = 256;

// The first character reference in element content or an attribute that
// names no character XML can hold (&#0;, a surrogate, past U+10FFFF), which
// pugixml would turn into a cut-off or malformed text. Offset of its "&", or nullopt.
std::optional<std::size_t> FindUnholdableReference(const char* text, std::size_t size);

bool NestedTooDeep(const pugi::xml_document& document);

// The encoding named by the declaration at the start of a byte-oriented
// document, in lower case; "" when there is none (or a byte order mark rules).
std::string DeclaredEncoding(const char* text, std::size_t size);

}  // namespace qv::xmlcheck
