// SPDX-License-Identifier: GPL-3.0-or-later
#include "Interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <system_error>

namespace qv::cli {

namespace {

volatile sig_atomic_t stopRequested = 0;
// Written by the handler so that a poll() waiting on it wakes at once.
int wakeRead = -1;
int wakeWrite = -1;

extern "C" void OnStopSignal(int) {
    const int saved = errno;
    stopRequested = 1;
    if (wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = write(wakeWrite, &byte, 1);  // a full pipe already wakes
    }
    errno = saved;
}

}  // namespace

void StopSignal::Install() {
    if (wakeRead >= 0) return;
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    wakeRead = fds[0];
    wakeWrite = fds[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM})
        if (sigaction(signal, &action, nullptr) != 0)
            throw std::system_error(errno, std::generic_category(), "sigaction");
}

bool StopSignal::Requested() { return stopRequested != 0; }

bool SignalAwareWaiter::Wait(std::chrono::milliseconds duration) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + duration;
    for (;;) {
        if (StopSignal::Requested()) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return true;
        pollfd wake{wakeRead, POLLIN, 0};
        const int timeout = static_cast<int>(std::min<long long>(left.count() + 1, 60'000));
        if (poll(&wake, 1, timeout) < 0 && errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "poll");
    }
}

}  // namespace qv::cli
