// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageQueue.h"

#include <utility>

namespace qv::site {

PageQueue::PageQueue(Writer writer, std::size_t limit)
    : writer_(std::move(writer)), limit_(limit), batch_(limit / 8), thread_([this] { Run(); }) {}

PageQueue::~PageQueue() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_one();
    thread_.join();
}

bool PageQueue::WriterHasWork() const {
    return stopping_ || (!pages_.empty() && (bytes_ >= batch_ || blocked_ > 0));
}

void PageQueue::RaiseFailure() {
    if (failure_) std::rethrow_exception(failure_);
}

void PageQueue::Push(QueuedPage page) {
    std::unique_lock lock(mutex_);
    // One page larger than the limit still goes, alone.
    const auto room = [&] { return failure_ || bytes_ == 0 || bytes_ + page.content.size() <= limit_; };
    if (!room()) {
        ++blocked_;
        work_.notify_one();
        room_.wait(lock, room);
        --blocked_;
    }
    RaiseFailure();
    bytes_ += page.content.size();
    pages_.push_back(std::move(page));
    const bool wake = WriterHasWork();
    lock.unlock();
    if (wake) work_.notify_one();
}

void PageQueue::Drain() {
    std::unique_lock lock(mutex_);
    ++blocked_;
    work_.notify_one();
    room_.wait(lock, [&] { return failure_ || (pages_.empty() && !writing_); });
    --blocked_;
    RaiseFailure();
}

void PageQueue::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [&] { return WriterHasWork(); });
        if (pages_.empty()) return;  // stopping, with nothing left
        // Once woken, the writer empties the queue, pages pushed meanwhile too.
        while (!pages_.empty()) {
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
            // Waiting threads are woken once a batch fits, not for each page.
            if (blocked_ > 0 && (pages_.empty() || bytes_ + batch_ <= limit_)) room_.notify_all();
        }
    }
}

}  // namespace qv::site
