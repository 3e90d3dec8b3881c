// SPDX-License-Identifier: GPL-3.0-or-later
// The quick reader of plain markup against gumbo: wherever the quick reader
// answers, its tree must be the one gumbo builds for the same markup, since
// the offline view's sanitiser trusts either as what a browser would read.
// Gumbo's own tree is had by ending the markup with a comment, which the
// quick reader always leaves to gumbo and the tree drops.
//
// Input: a post's HTML.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "html/HtmlFragment.h"
#include "html/MarkupBounds.h"
#include "html/PlainMarkup.h"
#include "../support/HtmlTreeText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv::html;
    const std::string html(qv::fuzz::AsText(data, size));
    const ParseOptions options;
    // Beyond the bounds the sanitiser hands gumbo other markup, and never asks the quick reader.
    std::string bounded;
    if (BoundMarkup(html, {options.maxDepth, options.maxAttributes, options.maxFormatting}, bounded)) return 0;
    const std::optional<std::vector<Node>> plain = ParsePlainMarkup(html, options.maxDepth);
    if (!plain) return 0;
    const std::string quick = qv::test::TreeText(*plain);
    const std::string full = qv::test::TreeText(HtmlFragment::Parse(html + "<!---->", options).Nodes());
    qv::fuzz::Require(quick == full, "the quick reader's tree is gumbo's", html + "\n" + quick + "\n" + full);
    return 0;
}
