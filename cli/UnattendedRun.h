// One unattended backup from the command line to the exit status:
// 0 saved, 1 failed, 2 wrong usage, 130 stopped by a signal.
#pragma once

#include <ostream>

namespace qv::cli {

enum ExitStatus { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2, kExitCancelled = 130 };

int RunUnattended(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                  bool errIsTerminal);

}  // namespace qv::cli
