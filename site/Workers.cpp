// SPDX-License-Identifier: GPL-3.0-or-later
#include "Workers.h"

#include <algorithm>
#include <exception>
#include <thread>

namespace qv::site {

Workers::Workers(const HtmlSanitizer& sanitizer, const MediaLinks& media, unsigned threads) {
    if (threads == 0) threads = std::thread::hardware_concurrency();
    threads = std::clamp(threads, 1u, 16u);
    for (unsigned i = 0; i < threads; ++i) workers_.push_back(std::make_unique<Worker>(sanitizer, media));
}

void Workers::Run(std::size_t count, const std::function<void(Worker&, std::size_t)>& job) {
    const std::size_t stride = std::min(workers_.size(), std::max<std::size_t>(count, 1));
    std::vector<std::exception_ptr> failures(stride);
    const auto work = [&](std::size_t w) {
        try {
            for (std::size_t i = w; i < count; i += stride) job(*workers_[w], i);
        } catch (const std::exception&) {
            failures[w] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < stride; ++w) threads.emplace_back(work, w);
    work(0);
    for (std::thread& thread : threads) thread.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

}  // namespace qv::site
