// SPDX-License-Identifier: GPL-3.0-or-later
// An address written in a page (an attribute, an element's text) as a
// browser reads it before it uses it. The media kept beside a backup and the
// pages that show them know an address in this one form, so that a page
// finds the file kept for it.
#pragma once

#include <string>
#include <string_view>

namespace qv::html {

// Blanks and control characters around the address go, tabs and line
// breaks inside it are dropped, and any other blank or control character
// left inside is percent-encoded ("a b.jpg" is "a%20b.jpg"): the address is
// one word, and one field of a tab-separated line.
std::string CleanUrl(std::string_view raw);

}  // namespace qv::html
