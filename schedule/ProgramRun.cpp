// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/ProgramRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace qv::schedule {

ProgramRun RunProgram(const std::vector<std::string>& words, std::size_t keepOutput) {
    ProgramRun run;
    std::vector<std::string> copies = words;
    std::vector<char*> argv;
    for (std::string& word : copies) argv.push_back(word.data());
    argv.push_back(nullptr);

    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        run.startError = errno;
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_adddup2(&actions, output[1], 2);
    pid_t child = -1;
    run.startError = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);

    if (run.startError == 0) {
        char buffer[4096];
        for (;;) {
            const ssize_t got = read(output[0], buffer, sizeof buffer);
            if (got > 0) {
                // Read to the end all the same, so that the program never blocks on a full pipe.
                if (run.output.size() < keepOutput) run.output.append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                break;
            }
        }
    }
    close(output[0]);
    if (run.startError != 0) return run;

    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    return run;
}

}  // namespace qv::schedule
