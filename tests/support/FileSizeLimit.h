// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a piece of a test in a child process whose files may not grow past a
// limit, so that writes fail with the kernel's own EFBIG, as on a full disk.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <functional>

namespace qv::test {

// The child's exit status (its body's answer), or -1 when it did not exit normally.
inline int ExitStatusUnderFileSizeLimit(std::size_t limitBytes, const std::function<int()>& body) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);  // a failing write, not a killed process
        const rlimit limit{limitBytes, limitBytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(body());
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace qv::test
