// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/Systemctl.h"

#include <cstdlib>
#include <cstring>

namespace qv::schedule {

namespace {

constexpr std::size_t kKeptOutput = 2000;  // enough for systemctl's own words
// How long the question whether there is a manager at all may take.
constexpr std::chrono::milliseconds kProbeLimit{10'000};

std::string Program() {
    const char* program = std::getenv("QUILLVAULT_SYSTEMCTL");
    return program && *program ? program : "systemctl";
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// Whether a user manager answers: `is-system-running` prints its state
// (running, degraded, starting, ...) whenever it can reach one, whatever its
// exit status; "offline", "unknown" or an error mean there is none.
bool ManagerAnswers(const std::string& program) {
    const ProgramRun run = RunProgram({program, "--user", "is-system-running"}, kKeptOutput, kProbeLimit);
    if (run.startError != 0 || run.timedOut) return false;
    const std::string state = Trimmed(run.output.substr(0, run.output.find('\n')));
    for (const char* known : {"initializing", "starting", "running", "degraded", "maintenance", "stopping"})
        if (state == known) return true;
    return false;
}

}  // namespace

Status RunSystemctl(const std::vector<std::string>& args, std::chrono::milliseconds limit) {
    const std::string program = Program();
    std::vector<std::string> words = {program, "--user"};
    words.insert(words.end(), args.begin(), args.end());
    std::string commandText = "systemctl";
    for (std::size_t i = 1; i < words.size(); ++i) commandText += " " + words[i];

    const ProgramRun run = RunProgram(words, kKeptOutput, limit);
    if (run.startError != 0)
        return Status(StatusKind::Unavailable, "Can't run " + commandText + " (" + std::strerror(run.startError) +
                                                   "): this system has no user service manager to ask.");
    if (run.timedOut)
        return Status(StatusKind::Timeout, commandText + " did not answer within " +
                                               std::to_string(limit.count() / 1000) + " s and was ended.");
    if (run.exitCode == 0) return Status::Ok();
    const std::string said = Trimmed(run.output.substr(0, kKeptOutput));
    const std::string failed = commandText + " failed" + (said.empty() ? std::string(".") : ": " + said);
    if (!ManagerAnswers(program))
        return Status(StatusKind::Unavailable, failed + "\nThis session has no user service manager to ask.");
    return Status(StatusKind::Usage, failed);
}

}  // namespace qv::schedule
