// SPDX-License-Identifier: GPL-3.0-or-later
// What the HTTP tests share: one loopback server for the whole run, a callback
// that records every call, and short ways to send.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "Http.h"
#include "LoopbackServer.h"
#include "ServerEnvironment.h"

namespace qv::test {

LoopbackServer& SharedServer();

class RecordingCallback : public IHTTPRequestCallback {
public:
    struct Call {
        std::string block;
        int32_t bytes = 0;  // received or sent so far
        int32_t total = 0;
    };
    std::vector<Call> received;  // idle ticks included
    std::vector<Call> sent;
    // Decide per call; the index counts the calls of that kind from 0.
    std::function<bool(const std::string& block, size_t index)> cancelReceived;
    std::function<bool(const std::string& block, size_t index)> cancelSent;
    std::function<bool(const std::string& block)> removeReceived;

    void BlockReceived(const std::string& block, bool& removeBlock, int32_t receivedBytes, int32_t totalBytes,
                       bool& cancel) override;
    void BlockSent(const std::string& block, int32_t sentBytes, int32_t totalBytes, bool& cancel) override;

    std::vector<Call> DataBlocks() const;  // received calls that carried data
    size_t IdleTicks() const;
};

constexpr int kGenerousTimeoutMs = 20000;

bool Send(HttpRequest& request, const std::string& host, const std::string& method, const std::string& path,
          const std::string& body = {}, IHTTPRequestCallback* callback = nullptr,
          int timeoutMs = kGenerousTimeoutMs, const std::string& authUser = {},
          const std::string& authPassword = {});

// A port on 127.0.0.1 that refuses connections for as long as the object lives.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 whose listener is full: a connect there hangs unanswered.
class UnansweredPort {
public:
    UnansweredPort();
    ~UnansweredPort();
    int Port() const { return port_; }

private:
    int listener_ = -1;
    int filler_ = -1;
    int port_ = 0;
};

std::string Pattern(size_t length);  // varied text, so a misplaced block shows

// Milliseconds since `start`, to bound how long something may hang.
inline long long ElapsedMs(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace qv::test
