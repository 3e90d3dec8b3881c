// SPDX-License-Identifier: GPL-3.0-or-later
// One backup run with nobody at the keyboard, as every unattended front end
// makes it: the target checked and locked, a full run journalled so that the
// next one continues it (a dated run takes over the journal of the last
// interrupted dated run of its blog), the run's questions answered by policy,
// and everything said to a reporter.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "Http.h"
#include "Status.h"
#include "modTumblrInteraction.h"
#include "runpolicy/RetryPolicy.h"
#include "runpolicy/RunReporter.h"
#include "runpolicy/Waiter.h"

namespace qv::runpolicy {

// How a run goes on with nobody at the keyboard, beside what it is asked to do.
struct UnattendedPolicy {
    // The target's name carries the date and time: take over the journal of
    // the last interrupted dated run of the same blog.
    bool dated = false;
    // Start a full backup afresh instead of continuing an interrupted one.
    bool restart = false;
    RetryRules rules;
    int requestsPerMinute = 0;  // 0: as fast as the service answers
    int prefetch = 0;
    std::shared_ptr<const ProxySettings> proxy;  // null: the stored proxy setup
};

struct UnattendedOutcome {
    // Its status is Ok when saved and Cancelled when stopped.
    BackupResult result;
    std::chrono::steady_clock::duration duration{};
};

UnattendedOutcome RunUnattendedBackup(const BackupOptions& request, const UnattendedPolicy& policy,
                                      IRunReporter& reporter, IWaiter& waiter,
                                      const std::function<bool()>& stopRequested);

}  // namespace qv::runpolicy
