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
    // Said with a wall of the read API when the request lets the run go on
    // through the v2 API but names no key: where the key goes.
    std::string v2Hint;
};

struct UnattendedOutcome {
    // Its status is Ok when saved and Cancelled when stopped.
    BackupResult result;
    std::chrono::steady_clock::duration duration{};
    // The API the blog was read through (last asked, when the run failed).
    Reader reader = Reader::ReadApi;
};

// The API a run of `request` begins with: the one asked for; for Auto the
// read API, unless an interrupted run that went on through the v2 API left
// its pages beside the target.
Reader StartingReader(const BackupOptions& request);

UnattendedOutcome RunUnattendedBackup(const BackupOptions& request, const UnattendedPolicy& policy,
                                      IRunReporter& reporter, IWaiter& waiter,
                                      const std::function<bool()>& stopRequested);

}  // namespace qv::runpolicy
