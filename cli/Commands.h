// SPDX-License-Identifier: GPL-3.0-or-later
// quillvault-cli from its arguments to its exit status: its commands in one
// table (the backup run, which the program's own options make, then media,
// html and help), read with CLI11, each saying what happens for people or,
// with --json, for programs. 0 done, 1 failed, 2 wrong usage, 130 stopped by
// a signal.
#pragma once

#include <ostream>

namespace qv::cli {

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal);

}  // namespace qv::cli
