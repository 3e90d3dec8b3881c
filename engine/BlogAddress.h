// SPDX-License-Identifier: GPL-3.0-or-later
// The blog's address as the read API needs it, whoever typed it: a host name,
// with a port if any. Both the window and the command line take it this way.
#pragma once

#include <optional>
#include <string>

namespace qv {

// An address copied from a browser ("https://myblog.example.com/", blanks
// around it) loses its scheme, closing slash and blanks; one with a path, a
// query, a user or blanks inside is refused, with `why` saying what is wanted.
std::optional<std::string> BareBlogAddress(const std::string& typed, std::string& why);

}  // namespace qv
