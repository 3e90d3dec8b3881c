// SPDX-License-Identifier: GPL-3.0-or-later
// Where a run's pages come from. A source hands out pages as the read API
// writes them (<tumblr><tumblelog/><posts><post/>...</posts></tumblr>), by
// offset, so that merging, ordering, the journal, resuming and every front
// end stay one code path whatever the service is asked through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Http.h"
#include "Status.h"
#include "http/HttpClient.h"

namespace qv {

class IBackupHost;
class IRequestPacer;
class IRunDecisions;
class XmlDocument;

// What every request of a run goes through, whatever its source: the run's
// questions, its warnings, its traffic and stop, its pace and its proxy.
struct RequestServices {
    RequestServices(IRunDecisions& decisions, IBackupHost& host, IHTTPRequestCallback& progress)
        : decisions(decisions), host(host), progress(progress) {}

    IRunDecisions& decisions;
    IBackupHost& host;
    // Hears every block sent and received: the run counts its traffic there,
    // and a stop asked for there ends the transfer.
    IHTTPRequestCallback& progress;
    IRequestPacer* pacer = nullptr;
    // null: the stored proxy setup, read afresh before every request.
    std::shared_ptr<const ProxySettings> proxy;

    std::shared_ptr<const ProxySettings> Proxy() const;
    void BeforeRequest() const;
};

class IPageSource {
public:
    virtual ~IPageSource() = default;

    // Posts asked for per page, and the last-page threshold: a page with
    // fewer is the last.
    virtual int32_t PageSize() const = 0;
    // Up to `num` posts from the offset `start`, as the UTF-8 text of a page.
    // A failure has been decided with the run's decisions and said where it
    // was found when this returns; Cancelled when the run was stopped.
    virtual Result<std::string> Fetch(int32_t start, int32_t num) = 0;
    // The run will want the page at `start` next: a source may ask for what
    // follows ahead of time.
    virtual void Upcoming(int32_t /*start*/) {}
    // Paging is over; what was asked for ahead is given up, its cost counted.
    virtual void Finish() {}
    // Whether its posts may be private: the journal and the saved file are
    // then the owner's alone.
    virtual bool MayBePrivate() const = 0;
    // Before the first Fetch: the run extends `backup`, an earlier backup or
    // the pages an interrupted run kept. What the blog's pages do not say
    // again (its time zone, say) may be learnt from it.
    virtual void Extends(const XmlDocument& /*backup*/) {}
};

}  // namespace qv
