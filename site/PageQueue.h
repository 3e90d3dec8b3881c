// SPDX-License-Identifier: GPL-3.0-or-later
// The thread that takes pages to their files while the other threads make
// them. Creating files in one folder is one at a time in the kernel anyway,
// so threads that both make and write pages wait for each other there; with
// one writer they keep making pages meanwhile. At most `limit` bytes of pages
// wait for it: a thread that would pass that waits instead. The writer is
// woken for a batch of pages, not for each: a wake-up costs about what
// writing a small page does.
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

    // Whether the writer has pages to write now, or nothing more to wait for.
    bool WriterHasWork() const;

    Writer writer_;
    std::size_t limit_;
    std::size_t batch_;  // bytes of pages that wake the writer
    std::mutex mutex_;
    std::condition_variable work_;  // the writer waits on it
    std::condition_variable room_;  // the other threads wait on it, for room or for the end of a drain
    std::deque<QueuedPage> pages_;
    std::size_t bytes_ = 0;    // of the pages waiting and the one being written
    std::size_t blocked_ = 0;  // threads waiting for room or for a drain: the writer wakes for them
    bool writing_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;  // last: starts once the rest is made
};

}  // namespace qv::site
