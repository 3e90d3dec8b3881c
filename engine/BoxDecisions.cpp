// SPDX-License-Identifier: GPL-3.0-or-later
// The window's answers to a run's questions are its users' answers to boxes.
#include "Messages.h"
#include "RunDecisions.h"

namespace qv {

namespace {

class MessageBoxDecisions : public IRunDecisions {
public:
    bool GoOnWithoutPrivatePosts() override {
        return MsgBox("Private posts will not be included.", mbOKCancel + mbExclamation) == mrOK;
    }

    Answer PageFailed(const Status& why, int32_t) override { return RetryOrGiveUp(kPageFailedHeadline, why); }

    Answer PageUnreadable(const Status& why, int32_t, bool) override {
        return RetryOrGiveUp(kPageUnreadableHeadline, why);
    }

    Answer DummyRequestFailed(const Status& why, int32_t) override {
        switch (SharedMessageUtility().MessageBox(Text(kDummyFailedHeadline, why), mbAbortRetryIgnore + mbCritical,
                                                  "", -1, -1, 15)) {
            case mrRetry:
                return Answer::Retry;
            case mrIgnore:
                return Answer::GoOn;
            default:
                return Answer::GiveUp;
        }
    }

    void RunFailed(const Status& why) override { MsgBox(why.text(), mbCritical); }

    void SavedDespite(const Status& why) override {
        // A file that is not the blog's XML is an error; whatever befell the
        // saved file after the save is a warning.
        MsgBox(why.text(), why.Is(StatusKind::NotBlogXml) ? mbCritical : mbExclamation);
    }

    void Done(const std::string& summary, const BackupResult&) override { MsgBox(summary, mbInformation); }

private:
    static std::string Text(const char* headline, const Status& why) {
        return std::string(headline) + "\r\n\r\n" + why.text();
    }

    static Answer RetryOrGiveUp(const char* headline, const Status& why) {
        return SharedMessageUtility().MessageBox(Text(headline, why), mbRetryCancel + mbCritical, "", -1, -1, 15) ==
                       mrRetry
                   ? Answer::Retry
                   : Answer::GiveUp;
    }
};

}  // namespace

IRunDecisions& BoxDecisions() {
    static MessageBoxDecisions boxes;
    return boxes;
}

}  // namespace qv
