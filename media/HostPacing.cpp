// SPDX-License-Identifier: GPL-3.0-or-later
#include "HostPacing.h"

#include <algorithm>

namespace qv::media {

HostPacing::Host& HostPacing::HostOf(const std::string& name) {
    Host& host = hosts_[name];
    if (host.limit == 0) host.limit = std::max(perHost_, 1);
    return host;
}

void HostPacing::Add(MediaJob job) {
    HostOf(job.host).line.push_back(std::move(job));
    ++waiting_;
}

void HostPacing::Retry(MediaJob job) {
    Host& host = HostOf(job.host);
    const auto at = std::upper_bound(
        host.retries.begin(), host.retries.end(), job.notBefore,
        [](Clock::time_point when, const MediaJob& other) { return when < other.notBefore; });
    host.retries.insert(at, std::move(job));
    ++waiting_;
}

bool HostPacing::TakeFrom(Host& host, Clock::time_point now, MediaJob& job) {
    if (host.running >= host.limit || now < host.pausedUntil) return false;
    if (!host.retries.empty() && host.retries.front().notBefore <= now) {
        job = std::move(host.retries.front());
        host.retries.pop_front();
    } else if (!host.line.empty()) {
        job = std::move(host.line.front());
        host.line.pop_front();
    } else {
        return false;
    }
    ++host.running;
    --waiting_;
    return true;
}

std::optional<MediaJob> HostPacing::Next(Clock::time_point now) {
    if (waiting_ == 0) return std::nullopt;
    // Round robin: start looking just after the host served last.
    auto start = hosts_.upper_bound(lastServed_);
    for (std::size_t tried = 0; tried < hosts_.size(); ++tried, ++start) {
        if (start == hosts_.end()) start = hosts_.begin();
        MediaJob job;
        if (TakeFrom(start->second, now, job)) {
            lastServed_ = start->first;
            return job;
        }
    }
    return std::nullopt;
}

void HostPacing::Finished(const std::string& host) {
    Host& found = HostOf(host);
    if (found.running > 0) --found.running;
}

void HostPacing::SlowDown(const std::string& host, Clock::time_point until) {
    Host& found = HostOf(host);
    if (until >= found.pausedUntil) {
        found.pausedUntil = until;
        found.pauseAsked = true;
        found.pauseCause.clear();
    }
    found.limit = std::max(1, found.limit / 2);
}

void HostPacing::Pause(const std::string& host, Clock::time_point until, std::string cause) {
    Host& found = HostOf(host);
    if (until < found.pausedUntil) return;
    found.pausedUntil = until;
    found.pauseAsked = false;
    found.pauseCause = std::move(cause);
}

std::vector<MediaJob> HostPacing::TakeAll(const std::string& host) {
    std::vector<MediaJob> taken;
    const auto found = hosts_.find(host);
    if (found == hosts_.end()) return taken;
    for (std::deque<MediaJob>* waiting : {&found->second.retries, &found->second.line}) {
        for (MediaJob& job : *waiting) taken.push_back(std::move(job));
        waiting->clear();
    }
    waiting_ -= taken.size();
    return taken;
}

std::optional<Opening> HostPacing::NextOpening() const {
    std::optional<Opening> earliest;
    const auto consider = [&earliest](Opening opening) {
        if (!earliest || opening.at < earliest->at) earliest = std::move(opening);
    };
    for (const auto& [name, host] : hosts_) {
        const Opening paused{host.pausedUntil, host.pauseAsked, host.pauseCause};
        if (!host.line.empty()) consider(paused);
        if (!host.retries.empty()) {
            const MediaJob& first = host.retries.front();
            consider(first.notBefore > host.pausedUntil ? Opening{first.notBefore, false, first.lastFailure}
                                                        : paused);
        }
    }
    return earliest;
}

int HostPacing::Limit(const std::string& host) const {
    const auto found = hosts_.find(host);
    return found == hosts_.end() ? perHost_ : found->second.limit;
}

}  // namespace qv::media
