// SPDX-License-Identifier: GPL-3.0-or-later
// quillvault-cli from its arguments to its exit status: the backup run, or
// the `media` and `html` commands. 0 done, 1 failed, 2 wrong usage, 130
// stopped by a signal.
#pragma once

#include <ostream>

namespace qv::cli {

int RunUnattended(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                  bool errIsTerminal);

}  // namespace qv::cli
