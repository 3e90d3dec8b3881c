// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "PageQueue.h"

namespace qv::site {
namespace {

// Several threads push pages of all sizes through a queue far smaller than
// they are together, some draining midway: every page is written once, each
// thread's in its order, and a drain returns only once all before it are.
TEST(PageQueue, WritesEveryPageOnceInOrderWhateverTheLimitAndTheDrains) {
    constexpr int kThreads = 4;
    constexpr int kPages = 1500;
    std::map<int, std::vector<int>> written;  // only the writer's thread touches it
    std::atomic<int> count = 0;
    {
        PageQueue queue(
            [&](const QueuedPage& page) {
                const std::size_t colon = page.name.find(':');
                written[std::stoi(page.name.substr(0, colon))].push_back(
                    std::stoi(page.name.substr(colon + 1)));
                ++count;
            },
            16 * 1024);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&queue, &count, t] {
                for (int i = 0; i < kPages; ++i) {
                    // Sizes from nothing to past the limit, which goes alone.
                    const std::size_t size =
                        i % 97 == 0 ? 20 * 1024 : static_cast<std::size_t>((i * 37) % 3000);
                    queue.Push({std::to_string(t) + ":" + std::to_string(i), std::string(size, 'x'), {}});
                    if (i % 500 == 499) {
                        queue.Drain();
                        EXPECT_GE(count.load(), i + 1);
                    }
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
        queue.Drain();
        EXPECT_EQ(count.load(), kThreads * kPages);
    }
    ASSERT_EQ(written.size(), static_cast<std::size_t>(kThreads));
    for (const auto& [thread, pages] : written) {
        ASSERT_EQ(pages.size(), static_cast<std::size_t>(kPages)) << thread;
        for (int i = 0; i < kPages; ++i) ASSERT_EQ(pages[i], i) << thread;
    }
}

// A page pushed just before the queue goes is still written; a writer's
// failure comes back to whoever pushes or drains next, and nothing after it
// is written.
TEST(PageQueue, WritesWhatIsLeftAtTheEndAndRaisesTheWritersFailure) {
    std::vector<std::string> written;
    {
        PageQueue queue([&](const QueuedPage& page) { written.push_back(page.name); }, 1 << 20);
        queue.Push({"last", "small", {}});
    }
    EXPECT_EQ(written, std::vector<std::string>{"last"});

    written.clear();
    PageQueue queue(
        [&](const QueuedPage& page) {
            if (page.name == "bad") throw std::runtime_error("disk full");
            written.push_back(page.name);
        },
        1 << 20);
    queue.Push({"good", "a", {}});
    queue.Push({"bad", "b", {}});
    EXPECT_THROW(queue.Drain(), std::runtime_error);
    EXPECT_THROW(queue.Push({"after", "c", {}}), std::runtime_error);
    EXPECT_EQ(written, std::vector<std::string>{"good"});
}

}  // namespace
}  // namespace qv::site
