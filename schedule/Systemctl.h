// SPDX-License-Identifier: GPL-3.0-or-later
// Asks the user's service manager through `systemctl --user`.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "Status.h"
#include "schedule/ProgramRun.h"

namespace qv::schedule {

// Runs `systemctl --user ARGS...` and waits for it, at most `limit`. The
// program is the one QUILLVAULT_SYSTEMCTL names when set (tests record the
// calls), else systemctl from PATH. When it fails, the status says which
// command failed and what it said: Unavailable only when there is no user
// service manager to ask (systemctl can't be started, or it names no state
// of a manager), Timeout when it did not answer in time, Usage when the
// manager refused.
Status RunSystemctl(const std::vector<std::string>& args,
                    std::chrono::milliseconds limit = kProgramTimeLimit);

}  // namespace qv::schedule
