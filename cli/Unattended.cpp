#include "Unattended.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace qv::cli {

namespace {

const char* const kPrivatePostsQuestion = "Private posts will not be included.";

}  // namespace

RetryPolicy::Decision RetryPolicy::Next(Question question, int32_t page, int retryAfterSeconds) {
    if (page_ != page) {
        page_ = page;
        used_[PageFailed] = used_[DummyRequestFailed] = 0;
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
        const double doubled =
            static_cast<double>(rules_.delay.count()) * std::ldexp(1.0, decision.attempt - 1);
        decision.wait = std::chrono::seconds(
            static_cast<long long>(std::min(doubled, static_cast<double>(kLongestWait.count()))));
    }
    return decision;
}

UnattendedPresenter::Outcome UnattendedPresenter::RetryAfterPause(RetryPolicy::Question question,
                                                                  int retryAfterSeconds) {
    if (stopRequested_()) return Stopped;
    const RetryPolicy::Decision decision = policy_.Next(question, currentPage_(), retryAfterSeconds);
    const int allowed = policy_.Rules().retries;
    const std::string retries = std::to_string(allowed);
    if (!decision.retry) {
        const std::string after =
            allowed == 0 ? "." : " after " + retries + (allowed == 1 ? " retry." : " retries.");
        console_.Message(question == RetryPolicy::PageFailed ? "Giving up" + after
                                                             : "Going on without the dummy request" + after);
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
            return RetryAfterPause(RetryPolicy::PageFailed, request.RetryAfterSeconds) == Retry ? mrRetry
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
