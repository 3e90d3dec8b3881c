// SPDX-License-Identifier: GPL-3.0-or-later
// Measures what a run pays beyond the service's own time: connections opened
// for a run's pages, a slow connection set-up, and pages asked for ahead.
// Prints one "name: value" line per figure.
#include <chrono>
#include <cstdio>
#include <vector>

#include "EngineDoubles.h"
#include "Measuring.h"
#include "PageJournal.h"
#include "ReadApiServer.h"
#include "TempFolder.h"
#include "modTumblrInteraction.h"

namespace {

using namespace qv;
using Clock = std::chrono::steady_clock;

// What a run adds beyond the window's way.
struct Extras {
    int prefetch = 0;
    PageJournal* journal = nullptr;
};

Extras Ahead(int pages) { return {pages, nullptr}; }

Extras Journalled(PageJournal& journal) { return {0, &journal}; }
using std::chrono::milliseconds;

constexpr int kPostBytes = 1000;

// Milliseconds of one full run of the blog served at `address`, or -1 when it failed.
double FullRunMs(const std::string& target, const std::string& address, int posts, Extras extras = {}) {
    test::WindowRun window;
    window.context.prefetch = extras.prefetch;
    window.context.journal = extras.journal;
    const auto start = Clock::now();
    const BackupResult result = MakeBackupXML(target, "", address, "", "", "", window.context);
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return result.ok() && result.PostsInBackup == posts ? elapsed : -1;
}

}  // namespace

int main() {
    test::TempFolder folder;
    test::ReadApiServer service;
    service.Http().SetKeepAlive(true);

    // 2,000 posts: 41 requests, the last one empty.
    test::Blog small;
    small.posts = test::MakePosts(2000, 5000000, 1, kPostBytes);
    service.SetBlog(small);
    int before = service.Http().ConnectionsAccepted();
    FullRunMs(folder.File("direct.xml"), service.Address(), 2000);
    std::printf("connections_41_pages: %d\n", service.Http().ConnectionsAccepted() - before);

    test::LoopbackServer entrance([&service](const test::HttpExchange&) {
        return test::ScriptedResponse::Redirect(301, service.Http().Url("/api/read"));
    });
    entrance.SetKeepAlive(true);
    before = service.Http().ConnectionsAccepted();
    FullRunMs(folder.File("moved.xml"), entrance.Address(), 2000);
    std::printf("connections_41_pages_through_301: %d\n",
                entrance.ConnectionsAccepted() + service.Http().ConnectionsAccepted() - before);

    service.Http().SetServiceTime(milliseconds(10));
    const double plain = FullRunMs(folder.File("plain.xml"), service.Address(), 2000);
    service.Http().SetConnectionSetupDelay(milliseconds(30));
    const double slowSetup = FullRunMs(folder.File("setup.xml"), service.Address(), 2000);
    std::printf("full_2k_ms: %.0f\n", plain);
    std::printf("full_2k_connect30_ms: %.0f\n", slowSetup);
    std::printf("full_2k_connect30_ratio: %.2f (target at most 1.20)\n", slowSetup / plain);

    test::Blog large;
    large.posts = test::MakePosts(20000, 5000000, 1, kPostBytes);
    service.SetBlog(large);
    service.Http().SetConnectionSetupDelay(milliseconds(0));
    service.Http().SetServiceTime(milliseconds(20));
    const double sequential = FullRunMs(folder.File("seq.xml"), service.Address(), 20000);
    const double ahead =
        FullRunMs(folder.File("ahead.xml"), service.Address(), 20000, Ahead(3));
    std::printf("full_20k_prefetch0_ms: %.0f\n", sequential);
    std::printf("full_20k_prefetch3_ms: %.0f\n", ahead);
    std::printf("full_20k_prefetch_speedup: %.2f (target at least 3.00)\n", sequential / ahead);
    std::printf(
        "full_20k_prefetch_identical: %s\n",
        test::ReadAll(folder.File("seq.xml")) == test::ReadAll(folder.File("ahead.xml")) ? "yes" : "no");

    // What keeping every page in a journal costs, with the service answering at once.
    service.Http().SetServiceTime(milliseconds(0));
    // Alternated, so that a busy moment hits both alike; the medians, so that
    // one sync that happens to meet the disk's own flush does not decide.
    constexpr int kRounds = 7;
    std::vector<double> bare;
    std::vector<double> journaled;
    for (int round = 0; round < kRounds; ++round) {
        bare.push_back(FullRunMs(folder.File("bare.xml"), service.Address(), 20000));
        PageJournal journal(folder.File("journaled.xml"), service.Address(), PostsPerPage, false, false,
                            [](const std::string&) {});
        journaled.push_back(FullRunMs(folder.File("journaled.xml"), service.Address(), 20000,
                                      Journalled(journal)));
    }
    const double bareMs = bench::Median(bare);
    const double journaledMs = bench::Median(journaled);
    std::printf("full_20k_ms: %.0f\n", bareMs);
    std::printf("full_20k_journal_ms: %.0f\n", journaledMs);
    std::printf("full_20k_journal_ratio: %.2f (target at most 1.15)\n", journaledMs / bareMs);
    return 0;
}
