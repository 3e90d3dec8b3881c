// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpolicy/UnattendedBackup.h"

#include <optional>

#include "PageJournal.h"
#include "runpolicy/DatedJournal.h"
#include "runpolicy/PolicyDecisions.h"
#include "runpolicy/RequestPacer.h"
#include "runpolicy/RunProgress.h"
#include "runpolicy/TargetLock.h"

namespace qv::runpolicy {

UnattendedOutcome RunUnattendedBackup(const UnattendedBackupOptions& options, IRunReporter& reporter,
                                      IWaiter& waiter, const std::function<bool()>& stopRequested) {
    const auto started = std::chrono::steady_clock::now();
    UnattendedOutcome outcome;
    const bool fullRun = options.incremental.empty();
    RunProgress progress(reporter, fullRun, stopRequested);
    RequestPacer pacer(waiter, RequestPacer::IntervalForRate(options.requestsPerMinute));
    PolicyDecisions decisions(reporter, options.rules, waiter, stopRequested, &pacer);
    const auto finish = [&] {
        outcome.status = outcome.result.Success ? Status::Ok() : decisions.Outcome();
        outcome.duration = std::chrono::steady_clock::now() - started;
        return outcome;
    };

    BackupOptions backup;
    backup.ProgressCallback = &progress;
    backup.XMLFileName = options.target;
    backup.XMLBaseFileName = options.incremental;
    backup.GroupAddress = options.address;
    backup.EMail = options.email;
    backup.Password = options.password;
    backup.Password2 = options.blogPassword;
    backup.ApplyNTFSCompression = options.compress;
    backup.Context.Decisions = &decisions;
    backup.Context.Pacer = &pacer;
    backup.Context.Prefetch = options.prefetch;
    backup.Context.Proxy = options.proxy;

    // The lock and the journal live beside the target: a folder that can't
    // take the backup is said as such first.
    if (!TargetCanBeSaved(options.target, progress, decisions)) return finish();
    TargetLock lock(options.target);
    if (Status taken = lock.Take(); !taken.ok()) {
        decisions.RunFailed(taken);
        return finish();
    }
    // A full run keeps its pages, so that an interrupted one goes on where it stopped.
    std::optional<PageJournal> journal;
    if (fullRun) {
        if (options.dated) {
            if (const auto earlier = TakeOverDatedJournal(options.target, options.address))
                reporter.Notice("The pages an interrupted run kept in " + *earlier + " go on into this one.");
        }
        const bool credentials =
            (!options.email.empty() && !options.password.empty()) || !options.blogPassword.empty();
        journal.emplace(options.target, options.address, credentials, options.restart,
                        [&reporter](const std::string& text) { reporter.Warning(text); });
        backup.Context.Journal = &*journal;
    }

    outcome.result = RunBackup(backup, progress);
    if (!outcome.result.Success && journal && journal->HoldsPages())
        reporter.Warning("The pages received so far are kept in " + journal->Folder() +
                        "; the next run goes on from there (--restart starts afresh).");
    return finish();
}

}  // namespace qv::runpolicy
