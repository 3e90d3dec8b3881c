// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpolicy/PolicyDecisions.h"

#include <algorithm>
#include <string>

#include "Backoff.h"

namespace qv::runpolicy {

namespace {

std::string Duration(std::chrono::seconds duration) {
    const long long seconds = duration.count();
    if (seconds < 120) return std::to_string(seconds) + " s";
    if (seconds < 7200) return std::to_string((seconds + 30) / 60) + " min";
    return std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min";
}

// The question and its reason as one line.
std::string OneLine(const char* headline, const Status& why) {
    std::string line = std::string(headline) + " " + why.text();
    for (size_t at = line.find("\r\n"); at != std::string::npos; at = line.find("\r\n", at)) line.replace(at, 2, " ");
    return line;
}

std::string Retries(int count) { return std::to_string(count) + (count == 1 ? " retry" : " retries"); }

}  // namespace

bool PolicyDecisions::GoOnWithoutPrivatePosts() {
    reporter_.Notice("Private posts will not be included.");
    return true;
}

Answer PolicyDecisions::GiveUp(const char* headline, const Status& why, const std::string& words) {
    reporter_.Error(GivenUp(Answer::GiveUp, headline, why).text() + "\r\n" + words);
    return Answer::GiveUp;
}

Answer PolicyDecisions::AfterPause(RetryPolicy::Question question, const char* headline, const Status& why,
                                   int32_t page, Answer fallback) {
    const RetryPolicy::Decision decision = policy_.Next(question, page, why.retryAfterSeconds());
    const int allowed = policy_.Rules().retries;
    const std::string after = allowed == 0 ? "." : " after " + Retries(allowed) + ".";
    if (!decision.retry) {
        if (fallback == Answer::InPieces) {
            reporter_.Notice(OneLine(headline, why) + " Asking for its posts in smaller pieces" + after);
            return fallback;
        }
        if (fallback == Answer::GoOn) {
            reporter_.Notice(OneLine(headline, why) + " Going on without the dummy request" + after);
            return fallback;
        }
        return GiveUp(headline, why, "Giving up" + after);
    }
    const int left = allowed - decision.attempt + 1;
    std::string when = decision.wait.count() > 0 ? "Retrying in " + Duration(decision.wait) : "Retrying now";
    if (decision.serviceAsked && decision.wait.count() > 0) when += " as the service asked";
    reporter_.Waiting(WaitReason::Retry, decision.wait,
                      OneLine(headline, why) + " " + when + ", " + std::to_string(left) + " left.");
    return waiter_.Wait(decision.wait) ? Answer::Retry : Answer::Stop;
}

Answer PolicyDecisions::WaitOutThrottling(const Status& why, int32_t page) {
    if (throttledPage_ != page) {
        throttledPage_ = page;
        throttledOnPage_ = 0;
    }
    ++throttledOnPage_;
    // Three throttled answers for one page: from now on the run keeps to a
    // pace such a service has been seen to accept.
    if (throttledOnPage_ == 3 && pacer_ != nullptr && pacer_->Interval() < kThrottledInterval) {
        pacer_->SlowTo(kThrottledInterval);
        const long long tenths = (pacer_->Interval().count() + 50) / 100;
        reporter_.Notice("From now on at most one request every " + std::to_string(tenths / 10) + "." +
                         std::to_string(tenths % 10) + " s.");
    }

    const std::chrono::seconds wait =
        why.retryAfterSeconds() ? std::min(std::chrono::seconds(*why.retryAfterSeconds()), kLongestThrottleWait)
                                : DoublingDelay(policy_.Rules().delay, throttledOnPage_, kLongestThrottleWait);
    // The pace of a throttled run is waited as well. A service that asks to
    // wait no time at all (Retry-After: 0, or a --retry-delay of 0) would
    // otherwise be asked again for ever, however small --max-wait is.
    const std::chrono::milliseconds paced = pacer_ != nullptr ? pacer_->Interval() : std::chrono::milliseconds(0);
    const std::chrono::milliseconds charged = std::max<std::chrono::milliseconds>(wait, paced);
    if (waitedForThrottling_ + charged > policy_.Rules().maxWait) {
        return GiveUp(kPageFailedHeadline, why,
                      "Giving up: the service has kept asking to wait (" +
                          Duration(std::chrono::duration_cast<std::chrono::seconds>(waitedForThrottling_)) +
                          " waited in all).");
    }
    waitedForThrottling_ += charged;
    std::string text;
    if (why.httpStatus() == 429) {
        text = "The service says it is asked too often (HTTP 429); waiting " + Duration(wait) + " before asking again.";
    } else if (why.httpStatus() == 503) {
        text = "The service says it is busy (HTTP 503); waiting " + Duration(wait) + " before asking again.";
    } else {
        // A limit the service's headers announced before any refusal: its own words.
        text = why.text() + " Waiting " + Duration(wait) + " before asking again.";
    }
    reporter_.Waiting(WaitReason::Throttled, wait, text);
    return waiter_.Wait(wait) ? Answer::Retry : Answer::Stop;
}

Answer PolicyDecisions::PageFailed(const Status& why, int32_t start) {
    if (stopRequested_()) return Answer::Stop;
    if (why.Is(StatusKind::DailyLimit))
        return GiveUp(kPageFailedHeadline, why,
                      "Stopping for today: run the same command again once the limit has reset, and it goes on "
                      "where this run stopped.");
    if (!why.retryMayHelp())
        return GiveUp(kPageFailedHeadline, why,
                      "Not asking again: the answer will not change.");
    if (why.Is(StatusKind::Throttled)) return WaitOutThrottling(why, start);
    return AfterPause(RetryPolicy::PageFailed, kPageFailedHeadline, why, start, Answer::GiveUp);
}

Answer PolicyDecisions::PageUnreadable(const Status& why, int32_t start) {
    if (stopRequested_()) return Answer::Stop;
    // Only the blog's own XML, broken by a post, may be readable in pieces.
    return AfterPause(RetryPolicy::PageUnreadable, kPageUnreadableHeadline, why, start,
                      why.Is(StatusKind::UnreadableXml) ? Answer::InPieces : Answer::GiveUp);
}

Answer PolicyDecisions::DummyRequestFailed(const Status& why, int32_t start) {
    if (stopRequested_()) return Answer::Stop;
    return AfterPause(RetryPolicy::DummyRequestFailed, kDummyFailedHeadline, why, start, Answer::GoOn);
}

void PolicyDecisions::RunFailed(const Status& why) { reporter_.Error(why.text()); }

void PolicyDecisions::SavedDespite(const Status& why) { reporter_.Warning(why.text()); }

void PolicyDecisions::Done(const std::string& summary, const BackupResult&) { reporter_.Summary(summary); }

}  // namespace qv::runpolicy
