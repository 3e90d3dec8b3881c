// SPDX-License-Identifier: GPL-3.0-or-later
// A post as the read API wrote it, turned into the post object the v2 API
// lists for it (legacy post format), field by field as the API's public
// documentation names them. What the read API wrote and v2 has no field for
// (feed imports, the deprecated conversation-line copies) is left out.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace qv::test {

// `postXml` is one whole <post .../> element. Null when it is not one.
nlohmann::json V2PostFromReadApi(const std::string& postXml, const std::string& blogName);

// The description of a <tumblelog> as text: the read API wrote it escaped.
std::string UnescapedXmlText(const std::string& escaped);

}  // namespace qv::test
