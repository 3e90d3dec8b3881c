// Gumbo's work per tag grows with the number of elements open around it, so
// markup nested tens of thousands deep, which only a hostile post has, takes
// it minutes. Start tags that would open an element deeper than a limit are
// left out before the parser sees them; their text stays.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv::html {

// Answers false when nothing is that deep; otherwise `capped` receives `html`
// without the start tags that would open an element deeper than `limit`.
// The depth is read from the tags the way a browser nests them, roughly:
// void elements and those a like element closes (p, li, td, ...) never add to it.
bool CapNesting(std::string_view html, std::size_t limit, std::string& capped);

}  // namespace qv::html
