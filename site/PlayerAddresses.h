// SPDX-License-Identifier: GPL-3.0-or-later
// What the players a post embeds point to, read from their HTML: the page of
// a film, a film or sound file the media folder may hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "html/HtmlFragment.h"

namespace qv::site {

// The page of what a player plays as a reader would reach it: a link written
// next to the player names it best, then what a frame or a plug-in would have
// loaded. Relative addresses are read on `base`; "" when there is no web address.
std::string PlayerPageAddress(const std::vector<html::Node>& player, std::string_view base);

// The file a video or source element plays; "" when there is none.
std::string FilmFileAddress(const std::vector<html::Node>& player, std::string_view base);

// The sound file: an audio or source element's, or the one the service's own
// flash player names in its audio_file parameter.
std::string SoundFileAddress(const std::vector<html::Node>& player);

// %XX sequences as the bytes they stand for.
std::string PercentDecoded(std::string_view text);

}  // namespace qv::site
