// SPDX-License-Identifier: GPL-3.0-or-later
// What a front end hands a run besides its request: who answers the run's
// questions, who watches it, the files its saves go through, the clock, the
// proxy, the pace and, for a full run, the journal and the source of its
// pages. Nothing a run needs or reports lives anywhere else.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "FileOps.h"
#include "Http.h"

namespace qv {

class IPageSource;
class IRunDecisions;
class PageJournal;
struct BackupOptions;
struct RequestServices;

// Where a run stands after each merged page, for a progress display.
struct PageProgress {
    int32_t page = 0;   // pages merged, from 1
    int32_t posts = 0;  // posts in the backup so far
    // The number of posts the service announced, once the first page said it.
    std::optional<int64_t> announced;
    int32_t pageSize = 50;  // posts asked for per page
};

// The front end's side of a run as far as the engine needs it. Every block of
// every request of the run reaches it through IHTTPRequestCallback; setting
// `cancel` there stops the run.
class IBackupHost : public IHTTPRequestCallback {
public:
    // Shows a status line and lets pending window events run.
    virtual void SetStatus(const std::string& text) = 0;
    // From here on the run cannot be stopped.
    virtual void DisableCancel() = 0;
    // Lets pending window events run.
    virtual void DoEvents() = 0;
    // Something about the run the user should read beyond its messages (it is
    // in the log too). The window leaves it to the log.
    virtual void Warn(const std::string& /*text*/) {}
    // A page was merged into the backup.
    virtual void PageMerged(const PageProgress& /*progress*/) {}
    // The run now asks for its page numbered `piece`, from 1.
    virtual void PieceChanged(int32_t /*piece*/) {}
};

// Holds each request back until the service's pace allows it.
class IRequestPacer {
public:
    virtual ~IRequestPacer() = default;
    // Returns when the next request may go out (at once when a stop was asked for).
    virtual void BeforeRequest() = 0;
};

struct RunContext {
    RunContext(IRunDecisions& decisions, IBackupHost& host, FileOps& files = SystemFileOps())
        : decisions(decisions), host(host), files(files) {}

    IRunDecisions& decisions;
    IBackupHost& host;
    // The save, and the check that it can be made, go through here.
    FileOps& files;
    // The run's start, by which the save knows the temporary files of
    // earlier, broken saves from those of a save under way beside it.
    std::function<std::time_t()> now = [] { return std::time(nullptr); };
    // The proxy of every request of the run; null: the stored proxy setup,
    // read afresh before every request.
    std::shared_ptr<const ProxySettings> proxy;
    IRequestPacer* pacer = nullptr;
    // A full run asks for up to this many pages beyond the one being merged at
    // the same time; they are still merged in order.
    int prefetch = 0;
    // A full run keeps its merged pages here, and continues from the pages an
    // interrupted run kept there.
    PageJournal* journal = nullptr;
    // Makes the source of the run's pages; empty: the read API at the
    // request's address.
    std::function<std::unique_ptr<IPageSource>(const BackupOptions&, RequestServices&)> makeSource;
};

}  // namespace qv
