// SPDX-License-Identifier: GPL-3.0-or-later
#include "BoxDecisions.h"

#include "Messages.h"

namespace qv {

namespace {

std::string Text(const char* headline, const Status& why) { return std::string(headline) + "\r\n\r\n" + why.text(); }

Answer RetryOrGiveUp(const char* headline, const Status& why) {
    return SharedMessageUtility().MessageBox(Text(headline, why), mbRetryCancel + mbCritical, "", -1, -1, 15) ==
                   mrRetry
               ? Answer::Retry
               : Answer::GiveUp;
}

}  // namespace

bool BoxDecisions::GoOnWithoutPrivatePosts() {
    return MsgBox("Private posts will not be included.", mbOKCancel + mbExclamation) == mrOK;
}

Answer BoxDecisions::PageFailed(const Status& why, int32_t) { return RetryOrGiveUp(kPageFailedHeadline, why); }

Answer BoxDecisions::PageUnreadable(const Status& why, int32_t) { return RetryOrGiveUp(kPageUnreadableHeadline, why); }

Answer BoxDecisions::DummyRequestFailed(const Status& why, int32_t) {
    switch (SharedMessageUtility().MessageBox(Text(kDummyFailedHeadline, why), mbAbortRetryIgnore + mbCritical, "", -1,
                                              -1, 15)) {
        case mrRetry:
            return Answer::Retry;
        case mrIgnore:
            return Answer::GoOn;
        default:
            return Answer::GiveUp;
    }
}

void BoxDecisions::RunFailed(const Status& why) { MsgBox(why.text(), mbCritical); }

void BoxDecisions::SavedDespite(const Status& why) {
    // A file that is not the blog's XML is an error; whatever befell the
    // saved file after the save is a warning.
    MsgBox(why.text(), why.Is(StatusKind::NotBlogXml) ? mbCritical : mbExclamation);
}

void BoxDecisions::Done(const std::string& summary, const BackupResult&) { MsgBox(summary, mbInformation); }

}  // namespace qv
