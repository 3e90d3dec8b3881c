// SPDX-License-Identifier: GPL-3.0-or-later
// Which build of the code is writing the pages: the build ids of the program
// and of every library it has loaded (the HTML parser, the template engine's
// standard library, ...). Any change to any of them may change a page's
// bytes, so pages written by one build are never vouched for by another.
#pragma once

#include <string>

namespace qv::site {

// "" when some loaded file can be told by neither a build id nor its file.
std::string ProgramIdentity();

}  // namespace qv::site
