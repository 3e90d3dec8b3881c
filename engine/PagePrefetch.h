// SPDX-License-Identifier: GPL-3.0-or-later
// Pages asked for ahead of the one being merged, over the run's shared
// connections, so that the service's time per page overlaps. The pipeline
// still merges strictly in order: a page is only handed over when it is due,
// and one that did not come as a plain success is asked for again the usual
// way, with its dialogs and retries.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "PageRequest.h"
#include "modTumblrInteraction.h"

namespace qv {

class PagePrefetch {
public:
    PagePrefetch(DownloadSession& session, const BackupOptions& options, int depth);
    ~PagePrefetch();
    PagePrefetch(const PagePrefetch&) = delete;
    PagePrefetch& operator=(const PagePrefetch&) = delete;

    // Keeps the `depth` pages after the one at `start` asked for.
    void Fill(int32_t start);
    // The page at `start` once it has come, with its traffic reported to the
    // run's progress as if it had been fetched now. nullopt when it was not
    // asked for ahead or did not come as a plain success; `cancelled` when the
    // user stopped the run while it was awaited.
    std::optional<std::string> Take(int32_t start, bool& cancelled);
    // Gives up what is still under way; what came so far is reported.
    void Abandon();

private:
    struct Ahead;
    void Send(Ahead& ahead);
    // Moves a finished transfer on: the next hop of a redirect, or its outcome.
    void Settle(Ahead& ahead);
    void Report(Ahead& ahead, bool& cancelled);

    DownloadSession& session_;
    const BackupOptions& options_;
    int depth_;
    std::map<int32_t, std::unique_ptr<Ahead>> ahead_;
};

}  // namespace qv
