// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpolicy/ReaderFallback.h"

namespace qv::runpolicy {

Status Hinted(const Status& why, const std::string& hint) {
    if (hint.empty()) return why;
    Status hinted(why.kind(), why.text() + " " + hint);
    hinted.WithHttpStatus(why.httpStatus()).WithRetryAfter(why.retryAfterSeconds());
    if (!why.retryMayHelp()) hinted.RetryWontHelp();
    return hinted;
}

Answer ReaderFallback::PageFailed(const Status& why, int32_t start) {
    if (!why.Is(StatusKind::Wall)) return decisions_.PageFailed(why, start);
    if (keyGiven_) {
        wall_ = why;
        return Answer::GiveUp;
    }
    return decisions_.PageFailed(Hinted(why, hint_), start);
}

Status ReaderFallback::Outcome(const Status& why) const {
    return why.Is(StatusKind::Wall) && !keyGiven_ ? Hinted(why, hint_) : why;
}

}  // namespace qv::runpolicy
