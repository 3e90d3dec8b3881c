// SPDX-License-Identifier: GPL-3.0-or-later
// The markup of a post's picture, sound or film, the same wherever it comes
// from (a photo post or an img inside a post's text): the kept copy, the
// original when allowed, or a plain link to the original that loads nothing.
// Another site's player is never loaded: a link to its original takes its place.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "MediaLinks.h"
#include "html/HtmlFragment.h"

namespace qv::site {

// An img with the picture's size when it is known, or the link that stands in for it.
html::Node PictureMarkup(const MediaLink& link, std::string_view alt, std::optional<PixelSize> declared);

// An audio or video element (`element`) with controls, or the stand-in link.
html::Node PlayerMarkup(const MediaLink& link, std::string_view element, std::string_view label);

// The stand-in: a link to the original address that loads nothing by itself.
html::Node NotLoadedMarkup(std::string_view original, std::string_view label);

// A link to a player's or a file's original, named by its site: "Vimeo: original".
enum class OriginalLink {
    InsteadOfPlayer,  // stands where another site's player would have been
    BesideCopy,       // next to a copy that plays here
};
html::Node OriginalMarkup(std::string_view address, OriginalLink where);

}  // namespace qv::site
