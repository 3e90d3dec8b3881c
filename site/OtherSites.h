// SPDX-License-Identifier: GPL-3.0-or-later
// Other sites' players, which our pages never load: the name a reader knows
// the site by, and the page of the film or track a player's address stands for.
#pragma once

#include <string>
#include <string_view>

namespace qv::site {

// A known site's name ("YouTube"); any other site's host, without "www.".
std::string SiteNameOf(std::string_view url);

// The page a reader would open for a known site's player (its embed or Flash
// address turned into the film's or track's own page); else `url` itself.
std::string PlayerPageOf(std::string_view url);

}  // namespace qv::site
