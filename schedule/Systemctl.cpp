// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/Systemctl.h"

#include <cstdlib>
#include <cstring>

#include "schedule/ProgramRun.h"

namespace qv::schedule {

namespace {

constexpr std::size_t kKeptOutput = 2000;  // enough for systemctl's own words

std::string Program() {
    const char* program = std::getenv("QUILLVAULT_SYSTEMCTL");
    return program && *program ? program : "systemctl";
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

Status RunSystemctl(const std::vector<std::string>& args) {
    const std::string program = Program();
    std::vector<std::string> words = {program, "--user"};
    words.insert(words.end(), args.begin(), args.end());
    std::string commandText = "systemctl";
    for (std::size_t i = 1; i < words.size(); ++i) commandText += " " + words[i];

    const ProgramRun run = RunProgram(words, kKeptOutput);
    if (run.startError != 0)
        return Status(StatusKind::Unavailable, "Can't run " + commandText + " (" + std::strerror(run.startError) +
                                                   "): this system has no user service manager to ask.");
    if (run.exitCode == 0) return Status::Ok();
    const std::string said = Trimmed(run.output.substr(0, kKeptOutput));
    return Status(StatusKind::Unavailable,
                  commandText + " failed" + (said.empty() ? std::string(".") : ": " + said));
}

}  // namespace qv::schedule
