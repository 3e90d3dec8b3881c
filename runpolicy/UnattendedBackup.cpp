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

UnattendedOutcome RunUnattendedBackup(const BackupOptions& request, const UnattendedPolicy& policy,
                                      IRunReporter& reporter, IWaiter& waiter,
                                      const std::function<bool()>& stopRequested) {
    const auto started = std::chrono::steady_clock::now();
    UnattendedOutcome outcome;
    const bool fullRun = request.XMLBaseFileName.empty();
    RunProgress progress(reporter, fullRun, stopRequested);
    RequestPacer pacer(waiter, RequestPacer::IntervalForRate(policy.requestsPerMinute));
    PolicyDecisions decisions(reporter, policy.rules, waiter, stopRequested, &pacer);
    RunContext context(decisions, progress);
    context.pacer = &pacer;
    context.prefetch = policy.prefetch;
    context.proxy = policy.proxy;
    const auto finish = [&](Status status) {
        // A stop ends the run however its last step went.
        if (!status.ok() && stopRequested()) status = StoppedStatus();
        outcome.result.status = std::move(status);
        outcome.duration = std::chrono::steady_clock::now() - started;
        return outcome;
    };

    // The lock and the journal live beside the target: a folder that can't
    // take the backup is said as such first.
    if (Status savable = TargetCanBeSaved(request.XMLFileName, context); !savable.ok()) return finish(savable);
    TargetLock lock(request.XMLFileName);
    if (Status taken = lock.Take(); !taken.ok()) {
        decisions.RunFailed(taken);
        return finish(taken);
    }
    // A full run keeps its pages, so that an interrupted one goes on where it stopped.
    std::optional<PageJournal> journal;
    if (fullRun) {
        if (policy.dated) {
            if (const auto earlier = TakeOverDatedJournal(request.XMLFileName, request.GroupAddress))
                reporter.Notice("The pages an interrupted run kept in " + *earlier + " go on into this one.");
        }
        journal.emplace(request.XMLFileName, request.GroupAddress, PostsPerPage, request.MayReadPrivatePosts(),
                        policy.restart, [&reporter](const std::string& text) { reporter.Warning(text); });
        context.journal = &*journal;
    }

    outcome.result = RunBackup(request, context);
    if (!outcome.result.ok() && journal && journal->HoldsPages())
        reporter.Warning("The pages received so far are kept in " + journal->Folder() +
                         "; the next run goes on from there (--restart starts afresh).");
    return finish(outcome.result.status);
}

}  // namespace qv::runpolicy
