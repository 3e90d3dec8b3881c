// SPDX-License-Identifier: GPL-3.0-or-later
// The blog service's XML read API on a LoopbackServer: "/api/read" answers
// form posts (and the plain GET) with pages of a blog held in memory, made up
// or taken from real sample pages. Faults are scripted with Http().Enqueue.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "LoopbackServer.h"

namespace qv::test {

struct Blog {
    std::string name = "testblog";
    std::string title = "Test blog";
    std::string description = "Notes &amp; pictures \xE2\x80\x94 caf\xC3\xA9";
    // Each a whole <post .../> element, newest first, as the service lists them.
    std::vector<std::string> posts;
    // What `posts/@total` says, when not the number of posts listed.
    std::optional<int> announcedTotal;
};

// `count` posts with ids firstId, firstId - step, ... (newest first). Each is a
// regular post with some UTF-8 text and about `bodyBytes` of body.
std::vector<std::string> MakePosts(int count, long long firstId, int step = 1, int bodyBytes = 300);
std::string MakePost(long long id, int bodyBytes = 300);

class ReadApiServer {
public:
    ReadApiServer();

    LoopbackServer& Http() { return http_; }
    std::string Address() const { return http_.Address(); }

    void SetBlog(Blog blog);
    Blog CurrentBlog() const;
    // Real pages, each answered for the "start" it was published for.
    void ServeFixedPages(std::map<int, std::string> bodyByStart);
    // Past `start`, every page repeats the page at `start` (a service that got stuck).
    void RepeatPagesFrom(int start);

    // The page the service sends for these paging values.
    std::string Page(int start, int num) const;
    // The read API's answer to one request; usable as the handler of another server.
    ScriptedResponse Answer(const HttpExchange& exchange) const;
    LoopbackServer::Handler Handler() const;

    // Requests that reached /api/read, in order.
    std::vector<HttpExchange> ApiRequests() const;
    // The "start" field of each of them.
    std::vector<int> StartsRequested() const;

private:
    mutable std::mutex mutex_;
    Blog blog_;
    std::map<int, std::string> fixedPages_;
    int repeatFrom_ = -1;
    LoopbackServer http_;
};

}  // namespace qv::test
