// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScheduleTestSupport.h"

#include <unistd.h>

#include <sstream>

#include "schedule/ProgramRun.h"

namespace qv::test {

Ran Run(const std::vector<std::string>& words) {
    const schedule::ProgramRun run = schedule::RunProgram(words);
    return Ran{run.exitCode, run.output};
}

bool Installed(const std::string& program) {
    const char* path = getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    }
    return false;
}

}  // namespace qv::test
