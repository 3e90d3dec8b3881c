// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins for the front end's side of a backup run: message boxes that
// answer from a script, a host window that records what it is told, and a
// progress receiver that counts traffic the way the window does.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Http.h"
#include "Messages.h"
#include "RunDecisions.h"
#include "modTumblrInteraction.h"

namespace qv::test {

class ScriptedMessages : public IMessagePresenter {
public:
    // Answers given in order; past the script, the cautious answer.
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    void QueueAnswers(std::initializer_list<int> answers) { answers_.insert(answers_.end(), answers); }

    int Show(const MessageBoxRequest& request) override {
        shown_.push_back(request);
        if (onShow) onShow(request);
        if (answers_.empty()) return CautiousAnswer(request.Style);
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    const std::vector<MessageBoxRequest>& Shown() const { return shown_; }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& each : shown_) texts.push_back(each.Text);
        return texts;
    }
    std::size_t UnusedAnswers() const { return answers_.size(); }

    std::function<void(const MessageBoxRequest&)> onShow;

private:
    std::deque<int> answers_;
    std::vector<MessageBoxRequest> shown_;
};

// Installs a scripted presenter on the shared MessageUtility for one scope.
class ScopedMessages {
public:
    ScopedMessages() : messages_(std::make_shared<ScriptedMessages>()) {
        previous_ = SharedMessageUtility().Presenter();
        SharedMessageUtility().SetPresenter(messages_);
    }
    ~ScopedMessages() { SharedMessageUtility().SetPresenter(previous_); }
    ScriptedMessages* operator->() { return messages_.get(); }
    ScriptedMessages& operator*() { return *messages_; }

private:
    std::shared_ptr<ScriptedMessages> messages_;
    std::shared_ptr<IMessagePresenter> previous_;
};

// The window's boxes, with the status of every question kept for the test.
// With `piecesWhenOffered`, Cancel for a page a post broke asks for it in
// pieces, as an unattended front end does once its retries are spent.
class WatchedBoxes : public IRunDecisions {
public:
    bool GoOnWithoutPrivatePosts() override { return BoxDecisions().GoOnWithoutPrivatePosts(); }
    Answer PageFailed(const Status& why, int32_t start) override {
        statuses.push_back(why);
        return BoxDecisions().PageFailed(why, start);
    }
    Answer PageUnreadable(const Status& why, int32_t start, bool piecesPossible) override {
        statuses.push_back(why);
        piecesOffered.push_back(piecesPossible);
        const Answer answer = BoxDecisions().PageUnreadable(why, start, piecesPossible);
        return answer == Answer::GiveUp && piecesPossible && piecesWhenOffered ? Answer::InPieces : answer;
    }
    Answer DummyRequestFailed(const Status& why, int32_t start) override {
        statuses.push_back(why);
        return BoxDecisions().DummyRequestFailed(why, start);
    }
    void RunFailed(const Status& why) override {
        statuses.push_back(why);
        BoxDecisions().RunFailed(why);
    }
    void SavedDespite(const Status& why) override {
        statuses.push_back(why);
        BoxDecisions().SavedDespite(why);
    }
    void Done(const std::string& summary, const BackupResult& result) override { BoxDecisions().Done(summary, result); }

    bool piecesWhenOffered = false;
    std::vector<Status> statuses;
    std::vector<bool> piecesOffered;
};

class RecordingHost : public IBackupHost {
public:
    void SetStatus(const std::string& text) override {
        statuses.push_back(text);
        if (onStatus) onStatus(text);
    }
    void DisableCancel() override {
        cancelDisabled = true;
        statusesBeforeCancelDisabled = statuses.size();
    }
    void DoEvents() override { ++eventRounds; }
    void Warn(const std::string& text) override { warnings.push_back(text); }
    void PageMerged(const PageProgress& progress) override { merged.push_back(progress); }

    std::vector<std::string> statuses;
    bool cancelDisabled = false;
    std::size_t statusesBeforeCancelDisabled = 0;
    int eventRounds = 0;
    std::vector<std::string> warnings;
    std::vector<PageProgress> merged;
    std::function<void(const std::string&)> onStatus;
};

// Adds block lengths to the traffic counters like the window's callbacks and
// can ask for a stop, like the window's Cancel button.
class CountingProgress : public IHTTPRequestCallback {
public:
    void BlockReceived(const std::string& block, bool&, int32_t receivedBytes, int32_t totalBytes,
                       bool& cancel) override {
        Traffic().BytesReceived += static_cast<double>(block.size());
        if (!block.empty()) ++receivedBlocks;
        lastReceived = receivedBytes;
        lastTotal = totalBytes;
        if (cancelWhen && cancelWhen()) cancelRequested = true;
        if (cancelRequested) cancel = true;
    }
    void BlockSent(const std::string& block, int32_t, int32_t, bool& cancel) override {
        Traffic().BytesSent += static_cast<double>(block.size());
        if (cancelRequested) cancel = true;
    }

    bool cancelRequested = false;
    std::function<bool()> cancelWhen;
    int receivedBlocks = 0;
    int32_t lastReceived = 0;
    int32_t lastTotal = 0;
};

// The ids of a document's posts, in document order.
inline std::vector<std::string> IdsIn(const XmlDocument& document) {
    std::vector<std::string> ids;
    for (const XmlNode& post : document.DocumentNode().SelectNodes("/tumblr/posts/post"))
        ids.push_back(post.AttributeText("id"));
    return ids;
}

}  // namespace qv::test
