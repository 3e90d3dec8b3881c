// SPDX-License-Identifier: GPL-3.0-or-later
// Percent-encoding as OAuth 1.0a signs it (RFC 5849 section 3.6, which is
// RFC 3986's unreserved set), and the form encoding its answers come in.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::oauth {

// Name and value pairs in their order; a name may come more than once.
using Parameters = std::vector<std::pair<std::string, std::string>>;

// Letters, digits and "-._~" as they are; every other byte as %XX, upper case.
std::string PercentEncode(std::string_view text);
// %XX decoded; a '%' not followed by two hex digits stays as it is. With
// `plusIsSpace` (form encoding) '+' is a space.
std::string PercentDecode(std::string_view text, bool plusIsSpace);
// "a=1&b=&c" as application/x-www-form-urlencoded: ("a","1"), ("b",""), ("c","").
Parameters ParseFormEncoded(std::string_view text);
// The other way, each name and value percent-encoded: a query or a form body.
std::string FormEncode(const Parameters& parameters);

}  // namespace qv::oauth
