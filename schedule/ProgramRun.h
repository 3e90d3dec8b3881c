// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a program to its end and keeps what it said: its standard output and
// error together, its standard input empty.
#pragma once

#include <string>
#include <vector>

namespace qv::schedule {

struct ProgramRun {
    int startError = 0;  // errno when it could not be started
    int exitCode = -1;   // -1 when it did not start or was ended by a signal
    std::string output;  // at most `keepOutput` bytes of it
};

// `words[0]` is found in PATH unless it names a path.
ProgramRun RunProgram(const std::vector<std::string>& words, std::size_t keepOutput = 1 << 20);

}  // namespace qv::schedule
