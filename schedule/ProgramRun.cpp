// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/ProgramRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace qv::schedule {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long a program asked to end with SIGTERM has before SIGKILL.
constexpr milliseconds kGraceAfterTerm{2000};
// How often an ended output is checked for the program's own end.
constexpr milliseconds kExitPoll{20};

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

// Reads the output until it ends or the deadline passes; answers whether it ended.
bool ReadOutput(int fd, Clock::time_point deadline, std::size_t keepOutput, std::string& output) {
    char buffer[4096];
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = poll(&ready, 1, RemainingMs(deadline));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) return false;
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            // Read to the end all the same, so that the program never blocks on a full pipe.
            if (output.size() < keepOutput) output.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            return true;
        }
    }
}

// Waits for the child until the deadline; answers whether it ended, with its status.
bool Reap(pid_t child, Clock::time_point deadline, int& status) {
    for (;;) {
        const pid_t reaped = waitpid(child, &status, WNOHANG);
        if (reaped == child) return true;
        if (reaped < 0 && errno != EINTR) return true;  // nothing left to wait for
        if (Clock::now() >= deadline) return false;
        poll(nullptr, 0, static_cast<int>(kExitPoll.count()));
    }
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& words, std::size_t keepOutput, milliseconds limit) {
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
    if (run.startError != 0) {
        close(output[0]);
        return run;
    }

    const Clock::time_point deadline = Clock::now() + limit;
    const bool ended = ReadOutput(output[0], deadline, keepOutput, run.output);
    close(output[0]);
    int status = 0;
    if (!ended || !Reap(child, deadline, status)) {
        run.timedOut = true;
        kill(child, SIGTERM);
        if (!Reap(child, Clock::now() + kGraceAfterTerm, status)) {
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }
        return run;
    }
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    return run;
}

}  // namespace qv::schedule
