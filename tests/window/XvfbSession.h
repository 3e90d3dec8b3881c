// SPDX-License-Identifier: GPL-3.0-or-later
// A private virtual X server for tests that need real key presses: Xvfb on a
// display number it picks itself, stopped when the session ends.
#pragma once

#include <sys/types.h>

#include <string>

namespace qv::test {

class XvfbSession {
public:
    // Starts Xvfb and waits until it accepts clients; on failure Display()
    // stays empty and Failure() says why.
    XvfbSession();
    ~XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;

    const std::string& Display() const { return display_; }
    const std::string& Failure() const { return failure_; }

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string failure_;
};

}  // namespace qv::test
