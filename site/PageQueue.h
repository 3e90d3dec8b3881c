// SPDX-License-Identifier: GPL-3.0-or-later
// The thread that takes pages to their files while the other threads make
// them. Creating files in one folder is one at a time in the kernel anyway,
// so threads that both make and write pages wait for each other there; with
// one writer they keep making pages meanwhile. At most `limit` bytes of pages
// wait for it: a thread that would pass that waits instead.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "Fingerprints.h"

namespace qv::site {

struct QueuedPage {
    std::string name;
    std::string content;
    Digest digest;  // of the content, made by the thread that made the page
};

class PageQueue {
public:
    using Writer = std::function<void(const QueuedPage&)>;

    PageQueue(Writer writer, std::size_t limit);
    ~PageQueue();  // writes what waits, then ends the thread
    PageQueue(const PageQueue&) = delete;
    PageQueue& operator=(const PageQueue&) = delete;

    // May be called from several threads at once. An exception the writer
    // raised is raised again here, and by Drain.
    void Push(QueuedPage page);
    // Returns once every page pushed so far is written.
    void Drain();

private:
    void Run();
    void RaiseFailure();  // with the lock held

    Writer writer_;
    std::size_t limit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<QueuedPage> pages_;
    std::size_t bytes_ = 0;  // of the pages waiting and the one being written
    bool writing_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;  // last: starts once the rest is made
};

}  // namespace qv::site
