#include "Unattended.h"

#include <algorithm>
#include <string>

#include "Backoff.h"

namespace qv::cli {

namespace {

const char* const kPrivatePostsQuestion = "Private posts will not be included.";
const char* const kUnreadablePage = "Can't load received XML data.";

bool IsThrottling(const MessageBoxRequest& request) {
    return request.HttpStatus == 429 || (request.HttpStatus == 503 && request.RetryAfterSeconds >= 0);
}

std::string Duration(std::chrono::seconds duration) {
    const long long seconds = duration.count();
    if (seconds < 120) return std::to_string(seconds) + " s";
    if (seconds < 7200) return std::to_string((seconds + 30) / 60) + " min";
    return std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min";
}

}  // namespace

RetryPolicy::Decision RetryPolicy::Next(Question question, int32_t page, int retryAfterSeconds) {
    if (page_ != page) {
        page_ = page;
        used_[PageFailed] = used_[DummyRequestFailed] = used_[PageUnreadable] = 0;
    }
    Decision decision;
    int& used = used_[question];
    if (used >= rules_.retries) {
        decision.attempt = used;
        return decision;
    }
    decision.retry = true;
    decision.attempt = ++used;
    if (retryAfterSeconds >= 0) {
        decision.serviceAsked = true;
        decision.wait = std::min(std::chrono::seconds(retryAfterSeconds), kLongestWait);
    } else {
        decision.wait = DoublingDelay(rules_.delay, decision.attempt, kLongestWait);
    }
    return decision;
}

UnattendedPresenter::Outcome UnattendedPresenter::RetryAfterPause(RetryPolicy::Question question,
                                                                  int retryAfterSeconds, bool inPieces) {
    if (stopRequested_()) return Stopped;
    const RetryPolicy::Decision decision = policy_.Next(question, currentPage_(), retryAfterSeconds);
    const int allowed = policy_.Rules().retries;
    const std::string retries = std::to_string(allowed);
    if (!decision.retry) {
        const std::string after =
            allowed == 0 ? "." : " after " + retries + (allowed == 1 ? " retry." : " retries.");
        console_.Message((question == RetryPolicy::DummyRequestFailed ? "Going on without the dummy request"
                          : inPieces ? "Asking for its posts in smaller pieces"
                                     : "Giving up") +
                         after);
        return GiveUp;
    }
    std::string line = "Retry " + std::to_string(decision.attempt) + " of " + retries;
    if (decision.wait.count() > 0) {
        line += " in " + std::to_string(decision.wait.count()) + " s";
        if (decision.serviceAsked) line += ", as the service asked";
    }
    console_.Progress(line + "...");
    return waiter_.Wait(decision.wait) ? Retry : Stopped;
}

UnattendedPresenter::Outcome UnattendedPresenter::WaitOutThrottling(const MessageBoxRequest& request) {
    if (stopRequested_()) return Stopped;
    const int32_t page = currentPage_();
    if (throttledPage_ != page) {
        throttledPage_ = page;
        throttledOnPage_ = 0;
        tooManyInARow_ = 0;
    }
    ++throttledOnPage_;
    // A busy 503 that asks for a wait is throttling too; one that keeps asking
    // for none would otherwise be asked again as fast as the line allows.
    ++tooManyInARow_;
    if (tooManyInARow_ == 3 && pacer_ != nullptr && pacer_->Interval() < kThrottledInterval) {
        pacer_->SlowTo(kThrottledInterval);
        const long long tenths = (pacer_->Interval().count() + 50) / 100;
        console_.Message("From now on at most one request every " + std::to_string(tenths / 10) + "." +
                         std::to_string(tenths % 10) + " s.");
    }

    std::chrono::seconds wait;
    if (request.RetryAfterSeconds >= 0) {
        wait = std::min(std::chrono::seconds(request.RetryAfterSeconds), kLongestThrottleWait);
    } else {
        wait = DoublingDelay(policy_.Rules().delay, throttledOnPage_, kLongestThrottleWait);
    }
    // The pace of a throttled run is waited as well. A service that asks to
    // wait no time at all (Retry-After: 0, or a --retry-delay of 0) would
    // otherwise be asked again for ever, however small --max-wait is.
    const std::chrono::milliseconds paced =
        pacer_ != nullptr ? pacer_->Interval() : std::chrono::milliseconds(0);
    const std::chrono::milliseconds charged = std::max<std::chrono::milliseconds>(wait, paced);
    if (waitedForThrottling_ + charged > policy_.Rules().maxWait) {
        console_.Message("Giving up: the service has kept asking to wait (" +
                         Duration(std::chrono::duration_cast<std::chrono::seconds>(waitedForThrottling_)) +
                         " waited in all).");
        return GiveUp;
    }
    waitedForThrottling_ += charged;
    const std::string why =
        request.HttpStatus == 429 ? "it is asked too often (HTTP 429)" : "it is busy (HTTP 503)";
    console_.Message("The service says " + why + "; waiting " + Duration(wait) + " before asking again.");
    return waiter_.Wait(wait) ? Retry : Stopped;
}

int UnattendedPresenter::Show(const MessageBoxRequest& request) {
    // The closing summary is the only information box, and the run's result.
    if ((request.Style & 0x70) == mbInformation) {
        console_.Summary(request.Text);
        return mrOK;
    }
    console_.Message(request.Text);
    switch (request.Style & 0x0F) {
        case mbOKCancel:
            return request.Text == kPrivatePostsQuestion ? mrOK : CautiousAnswer(request.Style);
        case mbRetryCancel:
            if (request.RetryWontHelp) {
                console_.Message("Not asking again: the answer will not change.");
                return mrCancel;
            }
            if (IsThrottling(request)) return WaitOutThrottling(request) == Retry ? mrRetry : mrCancel;
            return RetryAfterPause(request.Text.starts_with(kUnreadablePage) ? RetryPolicy::PageUnreadable
                                                                             : RetryPolicy::PageFailed,
                                   request.RetryAfterSeconds, request.CancelAsksInPieces) == Retry
                       ? mrRetry
                       : mrCancel;
        case mbAbortRetryIgnore:
            switch (RetryAfterPause(RetryPolicy::DummyRequestFailed, request.RetryAfterSeconds)) {
                case Retry:
                    return mrRetry;
                case GiveUp:
                    return mrIgnore;
                case Stopped:
                    return mrAbort;
            }
            return mrAbort;
        default:
            return CautiousAnswer(request.Style);
    }
}

ScopedPresenter::ScopedPresenter(std::shared_ptr<IMessagePresenter> presenter)
    : previous_(SharedMessageUtility().Presenter()) {
    SharedMessageUtility().SetPresenter(std::move(presenter));
}

ScopedPresenter::~ScopedPresenter() { SharedMessageUtility().SetPresenter(previous_); }

}  // namespace qv::cli
