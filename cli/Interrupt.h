// SPDX-License-Identifier: GPL-3.0-or-later
// SIGINT and SIGTERM stop a run the way the window's Cancel does: the next
// progress callback hands the request to the transfer, and a wait between
// retries ends at once.
#pragma once

#include <chrono>

#include "runpolicy/Waiter.h"

namespace qv::cli {

class StopSignal {
public:
    // Once per process. A second signal of the same kind ends the process the
    // usual way, for when the run can no longer be stopped (while it saves).
    static void Install();
    static bool Requested();
};

// Sleeps on the signal handler's wake-up pipe.
class SignalAwareWaiter : public runpolicy::IWaiter {
public:
    bool Wait(std::chrono::milliseconds duration) override;
};

}  // namespace qv::cli
