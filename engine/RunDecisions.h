// SPDX-License-Identifier: GPL-3.0-or-later
// What a run asks its front end when something goes wrong. Every question
// carries the failure's status: the window shows it in the boxes its users
// know, an unattended front end decides by the status's kind. The status's
// text is for people and is never compared.
#pragma once

#include <cstdint>
#include <string>

#include "Status.h"

namespace qv {

struct BackupResult;

// What each question is about, as the window's boxes begin; the status that
// comes with it says why.
inline constexpr const char* kPageFailedHeadline = "Can't download blog's XML file.";
inline constexpr const char* kPageUnreadableHeadline = "Can't load received XML data.";
inline constexpr const char* kDummyFailedHeadline =
    "Can't download blog's XML file (it's dummy request after HTTP 408 error).";

enum class Answer {
    Retry,     // ask again the same way
    GiveUp,    // end the run
    InPieces,  // ask for the page's posts in smaller pieces
    GoOn,      // go on as if the failed step had worked
    Stop,      // the user stopped the run meanwhile: it ends as cancelled
};

class IRunDecisions {
public:
    virtual ~IRunDecisions() = default;

    // No complete pair of account credentials: whether the run goes on
    // without private posts.
    virtual bool GoOnWithoutPrivatePosts() = 0;
    // The page at `start` could not be had: Retry or GiveUp.
    virtual Answer PageFailed(const Status& why, int32_t start) = 0;
    // The page at `start` came but cannot be used: Retry, GiveUp, or InPieces
    // when a post broke the blog's own XML (UnreadableXml): smaller pieces of
    // it may then be readable.
    virtual Answer PageUnreadable(const Status& why, int32_t start) = 0;
    // The plain request after an HTTP 408 for the page at `start` failed:
    // Retry it, GoOn with the page, or GiveUp.
    virtual Answer DummyRequestFailed(const Status& why, int32_t start) = 0;
    // The run ends without a saved backup; whoever found the failure says so
    // here once, and its callers stay silent. Never called for a cancel.
    virtual void RunFailed(const Status& why) = 0;
    // The backup was saved, but a later step went wrong.
    virtual void SavedDespite(const Status& why) = 0;
    // The closing summary of a saved backup.
    virtual void Done(const std::string& summary, const BackupResult& result) = 0;
};

// The outcome of a run the user stopped.
inline Status StoppedStatus() { return Status(StatusKind::Cancelled, "Cancelled; the backup file was not written."); }

// How a run ends after `answer` to a question about `why`: cancelled for a
// stop, else the failure under the question's headline.
inline Status GivenUp(Answer answer, const char* headline, const Status& why) {
    if (answer == Answer::Stop) return StoppedStatus();
    return why.Within(std::string(headline) + "\r\n\r\n");
}

}  // namespace qv
