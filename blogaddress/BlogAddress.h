// SPDX-License-Identifier: GPL-3.0-or-later
// The blog's address as the read API needs it, whoever typed it: a host name,
// with a port if any. The window, the command line and the Library take it this way.
#pragma once

#include <string>

#include "Status.h"

namespace qv {

// An address copied from a browser ("https://myblog.example.com/", blanks
// around it) loses its scheme, closing slash and blanks; one with a path, a
// query, a user or blanks inside is refused (Usage), its text saying what is wanted.
Result<std::string> BareBlogAddress(const std::string& typed);

}  // namespace qv
