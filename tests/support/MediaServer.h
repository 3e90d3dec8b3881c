// SPDX-License-Identifier: GPL-3.0-or-later
// A media host on a LoopbackServer: files by path, kept-alive connections, and
// per path a script of faults served before the file itself. Counts every
// request of every path, so tests can tell what was fetched again.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "LoopbackServer.h"

namespace qv::test {

// `size` bytes that differ from file to file: a name-dependent, repeating pattern.
std::string MediaBytes(std::size_t size, std::string_view seed);

class MediaServer {
public:
    MediaServer();

    LoopbackServer& Http() { return http_; }
    std::string Url(std::string_view path) const { return http_.Url(path); }

    // GET `path` answers `content` of `contentType`, after `delayMs`.
    void AddFile(const std::string& path, std::string content, int delayMs = 0,
                 std::string contentType = "application/octet-stream");
    // The next requests of `path` get these, in order, before the file (or the 404) again.
    void Script(const std::string& path, std::vector<ScriptedResponse> responses);

    // Requests of `path` (as sent, query included) so far, and when each came.
    int Requests(const std::string& path) const;
    std::vector<std::chrono::steady_clock::time_point> RequestTimes(const std::string& path) const;
    int TotalRequests() const;

private:
    struct File {
        std::string content;
        int delayMs = 0;
        std::string contentType;
    };

    ScriptedResponse Answer(const HttpExchange& exchange);

    mutable std::mutex mutex_;
    std::map<std::string, File> files_;
    std::map<std::string, std::deque<ScriptedResponse>> scripts_;
    std::map<std::string, std::vector<std::chrono::steady_clock::time_point>> requests_;
    // Last: its connection threads use the maps above until it has stopped.
    LoopbackServer http_;
};

}  // namespace qv::test
