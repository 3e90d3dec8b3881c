// SPDX-License-Identifier: GPL-3.0-or-later
// Asks the user's service manager through `systemctl --user`.
#pragma once

#include <string>
#include <vector>

#include "Status.h"

namespace qv::schedule {

// Runs `systemctl --user ARGS...` and waits for it. The program is the one
// QUILLVAULT_SYSTEMCTL names when set (tests record the calls), else
// systemctl from PATH. A program that cannot be started or that fails answers
// Unavailable, with what it said: there is no user service manager to ask here.
Status RunSystemctl(const std::vector<std::string>& args);

}  // namespace qv::schedule
