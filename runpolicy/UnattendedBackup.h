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

struct UnattendedBackupOptions {
    std::string target;       // the file to write
    std::string incremental;  // the earlier backup to extend; "" for a full backup
    std::string address;
    std::string email;
    std::string password;
    std::string blogPassword;
    bool compress = false;
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
    // Ok when saved; Cancelled when stopped; otherwise why it failed.
    Status status;
    BackupResult result;
    std::chrono::steady_clock::duration duration{};
};

UnattendedOutcome RunUnattendedBackup(const UnattendedBackupOptions& options, IRunReporter& reporter,
                                      IWaiter& waiter, const std::function<bool()>& stopRequested);

}  // namespace qv::runpolicy
