// One unattended backup from the command line to the exit status:
// 0 saved, 1 failed, 2 wrong usage, 130 stopped by a signal.
#pragma once

#include <functional>
#include <ostream>

namespace qv::cli {

enum ExitStatus { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2, kExitCancelled = 130 };

class Console;

// Runs a command's work; a failing outside call it raises (the settings
// store, the system) is said on the console and gives exit status 1.
int ReportingFailures(Console& console, const std::function<int()>& work);

int RunUnattended(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                  bool errIsTerminal);

}  // namespace qv::cli
