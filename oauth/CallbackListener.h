// SPDX-License-Identifier: GPL-3.0-or-later
// The one-shot web server on 127.0.0.1 that the service's sign-in page sends
// the browser back to: it waits for "GET /callback?...", answers the browser
// with a page, and closes. Other paths, a browser's spare connections and
// callbacks that are not ours are answered and waited past.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Status.h"
#include "oauth/PercentEncoding.h"

namespace qv::oauth {

class CallbackListener {
public:
    // Listens on a free port of 127.0.0.1; Network when no socket can be had.
    static Result<std::unique_ptr<CallbackListener>> Open();
    ~CallbackListener();
    CallbackListener(const CallbackListener&) = delete;
    CallbackListener& operator=(const CallbackListener&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:PORT/callback".
    std::string CallbackUrl() const;

    // The words the browser is shown for a callback's query parameters (plain
    // text); none when the callback is not the one waited for (the browser
    // then gets a page saying so and the wait goes on).
    using Reply = std::function<std::optional<std::string>(const Parameters& query)>;

    // The query of the first callback `reply` answers. Timeout at `deadline`;
    // Cancelled as soon as `cancelled` (asked a few times a second) says so.
    Result<Parameters> Wait(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& cancelled,
                            const Reply& reply);

private:
    CallbackListener(int fd, int port) : fd_(fd), port_(port) {}

    int fd_;
    int port_;
};

}  // namespace qv::oauth
