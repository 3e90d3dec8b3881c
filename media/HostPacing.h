// SPDX-License-Identifier: GPL-3.0-or-later
// Who may be asked next: the waiting transfers of each host, how many of them
// may run at once, and how long a host that asked us to wait is left alone.
// Hosts take turns, so one slow host never holds the others up.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv::media {

using Clock = std::chrono::steady_clock;

struct MediaJob {
    std::size_t slot = 0;  // its line in the manifest
    std::string url;
    std::string host;
    std::string name;
    std::string postId;
    int attempt = 0;    // retries so far
    int throttled = 0;  // busy answers (429, 503) so far, which use up no retry
    Clock::time_point notBefore{};
    std::string lastFailure;  // why it waits for a retry, in the manifest's words
};

// When the next waiting job may start, and why nothing starts before.
struct Opening {
    Clock::time_point at;
    bool hostAsked = false;  // a host asked us to wait (429, 503), not a retry delay of ours
    std::string cause;       // for a retry delay: the failure that is waited out
};

class HostPacing {
public:
    // At most `perHost` transfers to one host at once.
    explicit HostPacing(int perHost) : perHost_(perHost) {}

    void Add(MediaJob job);
    // Back in line after a failure: first of its host once `job.notBefore` has come.
    void Retry(MediaJob job);
    // The next job that may start now, taken out of the line; nullopt when none may.
    std::optional<MediaJob> Next(Clock::time_point now);
    // A transfer to `host` has ended, whatever its outcome.
    void Finished(const std::string& host);
    // The host asked us to wait: nothing starts there before `until`, and
    // fewer transfers run there at once from now on.
    void SlowDown(const std::string& host, Clock::time_point until);
    // The host could not be reached (`cause`): nothing starts there before
    // `until`; as many may run there at once afterwards.
    void Pause(const std::string& host, Clock::time_point until, std::string cause);
    // Every job still waiting for `host`, taken out of the line.
    std::vector<MediaJob> TakeAll(const std::string& host);

    bool Empty() const { return waiting_ == 0; }
    std::size_t Waiting() const { return waiting_; }
    // When the earliest waiting job may start, and why not before; nullopt when none waits.
    std::optional<Opening> NextOpening() const;
    // How many may run at once at `host` now.
    int Limit(const std::string& host) const;

private:
    struct Host {
        std::deque<MediaJob> line;
        std::deque<MediaJob> retries;  // each waits for its own time
        int running = 0;
        int limit = 0;
        Clock::time_point pausedUntil{};
        bool pauseAsked = false;  // the host itself asked for the pause
        std::string pauseCause;   // else why it was paused
    };

    Host& HostOf(const std::string& name);
    bool TakeFrom(Host& host, Clock::time_point now, MediaJob& job);

    int perHost_;
    std::map<std::string, Host> hosts_;
    std::string lastServed_;
    std::size_t waiting_ = 0;
};

}  // namespace qv::media
