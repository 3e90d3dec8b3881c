// SPDX-License-Identifier: GPL-3.0-or-later
#include "XvfbSession.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace qv::test {

namespace {

constexpr int kStartTimeoutMs = 15000;

// Xvfb writes its display number and a line break to this pipe once it listens.
std::string ReadDisplayNumber(int fd) {
    std::string number;
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, kStartTimeoutMs) <= 0) return "";
        char c = 0;
        if (read(fd, &c, 1) != 1) return "";
        if (c == '\n') return number;
        number += c;
    }
}

}  // namespace

XvfbSession::XvfbSession() {
    int fds[2];
    if (pipe(fds) != 0) {
        failure_ = "no pipe for Xvfb";
        return;
    }
    pid_ = fork();
    if (pid_ < 0) {
        failure_ = "Xvfb could not be forked";
        close(fds[0]);
        close(fds[1]);
        return;
    }
    if (pid_ == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        // 96 dots per inch, as on the desktops the window was laid out for.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-dpi", "96",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    const std::string number = ReadDisplayNumber(fds[0]);
    close(fds[0]);
    if (number.empty()) {
        failure_ = "Xvfb could not be started (is the xvfb package installed?)";
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return;
    }
    display_ = ":" + number;
}

XvfbSession::~XvfbSession() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

}  // namespace qv::test
