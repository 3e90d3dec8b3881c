// SPDX-License-Identifier: GPL-3.0-or-later
// A run that may read the blog through either of the service's APIs starts
// with the read API; when that meets a wall (a login, safe-mode or consent
// page, a 401) and the application's key is at hand, the wall is no failure
// to say but the reason to go on through the v2 API. Without a key the
// wall's words say how the v2 API would get past it.
#pragma once

#include <optional>
#include <string>

#include "RunDecisions.h"

namespace qv::runpolicy {

// The same failure with `hint` after its words.
Status Hinted(const Status& why, const std::string& hint);

class ReaderFallback : public IRunDecisions {
public:
    // `hint` is said with a wall when no key lets the run go on.
    ReaderFallback(IRunDecisions& decisions, bool keyGiven, std::string hint)
        : decisions_(decisions), keyGiven_(keyGiven), hint_(std::move(hint)) {}

    // The wall the run met, when it goes on through the v2 API.
    const std::optional<Status>& Wall() const { return wall_; }
    // What the run's outcome says for `why`: a wall with the hint.
    Status Outcome(const Status& why) const;
    // The run goes on through the v2 API: its walls are failures like any other.
    void WentOn() { keyGiven_ = false, hint_.clear(); }

    bool GoOnWithoutPrivatePosts() override { return decisions_.GoOnWithoutPrivatePosts(); }
    Answer PageFailed(const Status& why, int32_t start) override;
    Answer PageUnreadable(const Status& why, int32_t start) override {
        return decisions_.PageUnreadable(why, start);
    }
    Answer DummyRequestFailed(const Status& why, int32_t start) override {
        return decisions_.DummyRequestFailed(why, start);
    }
    void RunFailed(const Status& why) override { decisions_.RunFailed(why); }
    void SavedDespite(const Status& why) override { decisions_.SavedDespite(why); }
    void Done(const std::string& summary, const BackupResult& result) override {
        decisions_.Done(summary, result);
    }

private:
    IRunDecisions& decisions_;
    bool keyGiven_;
    std::string hint_;
    std::optional<Status> wall_;
};

}  // namespace qv::runpolicy
