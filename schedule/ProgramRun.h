// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a program to its end and keeps what it said: its standard output and
// error together, its standard input empty. A program that has not ended
// within its time is ended (SIGTERM, then SIGKILL), so no caller waits on it
// for ever.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace qv::schedule {

struct ProgramRun {
    int startError = 0;     // errno when it could not be started
    int exitCode = -1;      // -1 when it did not start or was ended by a signal
    bool timedOut = false;  // it was ended for taking longer than allowed
    std::string output;     // at most `keepOutput` bytes of it
};

inline constexpr std::chrono::milliseconds kProgramTimeLimit{30'000};

// `words[0]` is found in PATH unless it names a path.
ProgramRun RunProgram(const std::vector<std::string>& words, std::size_t keepOutput = 1 << 20,
                      std::chrono::milliseconds limit = kProgramTimeLimit);

}  // namespace qv::schedule
