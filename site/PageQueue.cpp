// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageQueue.h"

#include <utility>

namespace qv::site {

PageQueue::PageQueue(Writer writer, std::size_t limit)
    : writer_(std::move(writer)), limit_(limit), thread_([this] { Run(); }) {}

PageQueue::~PageQueue() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void PageQueue::RaiseFailure() {
    if (failure_) std::rethrow_exception(failure_);
}

void PageQueue::Push(QueuedPage page) {
    std::unique_lock lock(mutex_);
    // One page larger than the limit still goes, alone.
    changed_.wait(lock, [&] { return failure_ || bytes_ == 0 || bytes_ + page.content.size() <= limit_; });
    RaiseFailure();
    bytes_ += page.content.size();
    pages_.push_back(std::move(page));
    lock.unlock();
    changed_.notify_all();
}

void PageQueue::Drain() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failure_ || (pages_.empty() && !writing_); });
    RaiseFailure();
}

void PageQueue::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !pages_.empty(); });
        if (pages_.empty()) return;
        QueuedPage page = std::move(pages_.front());
        pages_.pop_front();
        writing_ = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            writer_(page);
        } catch (const std::exception&) {
            failure = std::current_exception();
        }
        lock.lock();
        writing_ = false;
        bytes_ -= page.content.size();
        if (failure && !failure_) failure_ = failure;
        // After a failure nothing more is written: what waits is dropped.
        if (failure_) {
            pages_.clear();
            bytes_ = 0;
        }
        changed_.notify_all();
    }
}

}  // namespace qv::site
