// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpolicy/UnattendedBackup.h"

#include <optional>

#include "PageJournal.h"
#include "runpolicy/DatedJournal.h"
#include "runpolicy/PolicyDecisions.h"
#include "runpolicy/ReaderFallback.h"
#include "runpolicy/RequestPacer.h"
#include "runpolicy/RunProgress.h"
#include "runpolicy/TargetLock.h"
#include "v2reader/Listing.h"
#include "v2reader/V2PageSource.h"

namespace qv::runpolicy {

namespace {

int32_t PageSizeOf(Reader reader) { return reader == Reader::V2 ? v2reader::kPostsPerPage : PostsPerPage; }

}  // namespace

Reader StartingReader(const BackupOptions& request) {
    if (request.reader != Reader::Auto) return request.reader;
    if (request.v2.HasKey() && request.XMLBaseFileName.empty() &&
        PageJournal::KeptPageSize(request.XMLFileName) == v2reader::kPostsPerPage)
        return Reader::V2;
    return Reader::ReadApi;
}

UnattendedOutcome RunUnattendedBackup(const BackupOptions& request, const UnattendedPolicy& policy,
                                      IRunReporter& reporter, IWaiter& waiter,
                                      const std::function<bool()>& stopRequested) {
    const auto started = std::chrono::steady_clock::now();
    UnattendedOutcome outcome;
    const bool fullRun = request.XMLBaseFileName.empty();
    const bool mayGoOn = request.reader == Reader::Auto;
    RunProgress progress(reporter, fullRun, stopRequested);
    RequestPacer pacer(waiter, RequestPacer::IntervalForRate(policy.requestsPerMinute));
    PolicyDecisions decisions(reporter, policy.rules, waiter, stopRequested, &pacer);
    ReaderFallback fallback(decisions, mayGoOn && request.v2.HasKey(), mayGoOn ? policy.v2Hint : "");
    RunContext context(fallback, progress);
    context.pacer = &pacer;
    context.prefetch = policy.prefetch;
    context.proxy = policy.proxy;
    const auto finish = [&](Status status) {
        // A stop ends the run however its last step went.
        if (!status.ok() && stopRequested()) status = StoppedStatus();
        outcome.result.status = fallback.Outcome(status);
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
    if (fullRun && policy.dated) {
        if (const auto earlier = TakeOverDatedJournal(request.XMLFileName, request.GroupAddress))
            reporter.Notice("The pages an interrupted run kept in " + *earlier + " go on into this one.");
    }

    // A full run keeps its pages, so that an interrupted one goes on where it
    // stopped; the journal's pages are of the size its reader asks for.
    std::optional<PageJournal> journal;
    const auto run = [&](const BackupOptions& asked) {
        context.journal = nullptr;
        journal.reset();
        if (fullRun) {
            journal.emplace(asked.XMLFileName, asked.GroupAddress, PageSizeOf(asked.reader),
                            asked.MayReadPrivatePosts(), policy.restart,
                            [&reporter](const std::string& text) { reporter.Warning(text); });
            context.journal = &*journal;
        }
        context.makeSource = nullptr;
        if (asked.reader == Reader::V2) {
            context.makeSource = v2reader::MakeV2Source;
            fallback.WentOn();
        }
        outcome.reader = asked.reader;
        return RunBackup(asked, context);
    };
    BackupOptions asked = request;
    asked.reader = StartingReader(request);
    outcome.result = run(asked);
    if (asked.reader == Reader::ReadApi && fallback.Wall()) {
        reporter.Notice(
            "The read API answered with a wall (a login, safe-mode or consent page, or HTTP 401); going on "
            "through the service's v2 API with the application's key" +
            std::string(request.v2.Signed() ? ", signed in." : "."));
        asked.reader = Reader::V2;
        outcome.result = run(asked);
    }
    if (!outcome.result.ok() && journal && journal->HoldsPages())
        reporter.Warning("The pages received so far are kept in " + journal->Folder() +
                         "; the next run goes on from there (--restart starts afresh).");
    return finish(outcome.result.status);
}

}  // namespace qv::runpolicy
