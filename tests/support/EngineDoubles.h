// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins for the front end's side of a backup run: the window's boxes
// answering from a script, and a host window that records what it is told and
// follows the traffic the way the window does.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BoxDecisions.h"
#include "MessageDoubles.h"
#include "Http.h"
#include "Messages.h"
#include "RunDecisions.h"
#include "modTumblrInteraction.h"

namespace qv::test {

// The window's boxes, with the status of every question kept for the test.
// With `piecesWhenOffered`, Cancel for a page a post broke asks for it in
// pieces, as an unattended front end does once its retries are spent.
class WatchedBoxes : public BoxDecisions {
public:
    Answer PageFailed(const Status& why, int32_t start) override {
        statuses.push_back(why);
        return BoxDecisions::PageFailed(why, start);
    }
    Answer PageUnreadable(const Status& why, int32_t start) override {
        statuses.push_back(why);
        const bool piecesPossible = why.Is(StatusKind::UnreadableXml);
        piecesOffered.push_back(piecesPossible);
        const Answer answer = BoxDecisions::PageUnreadable(why, start);
        return answer == Answer::GiveUp && piecesPossible && piecesWhenOffered ? Answer::InPieces : answer;
    }
    Answer DummyRequestFailed(const Status& why, int32_t start) override {
        statuses.push_back(why);
        return BoxDecisions::DummyRequestFailed(why, start);
    }
    void RunFailed(const Status& why) override {
        statuses.push_back(why);
        BoxDecisions::RunFailed(why);
    }
    void SavedDespite(const Status& why) override {
        statuses.push_back(why);
        BoxDecisions::SavedDespite(why);
    }

    bool piecesWhenOffered = false;
    std::vector<Status> statuses;
    std::vector<bool> piecesOffered;
};

// The window's side of a run as the engine sees it: records what it is told,
// follows every block like the window's callbacks, and can ask for a stop
// like the window's Cancel button.
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
    void PieceChanged(int32_t piece) override { pieces.push_back(piece); }

    void BlockReceived(const std::string& block, bool&, int32_t receivedBytes, int32_t totalBytes,
                       bool& cancel) override {
        bytesReceived += static_cast<double>(block.size());
        if (!block.empty()) ++receivedBlocks;
        lastReceived = receivedBytes;
        lastTotal = totalBytes;
        if (cancelWhen && cancelWhen()) cancelRequested = true;
        if (cancelRequested) cancel = true;
    }
    void BlockSent(const std::string& block, int32_t, int32_t, bool& cancel) override {
        bytesSent += static_cast<double>(block.size());
        if (cancelRequested) cancel = true;
    }

    std::vector<std::string> statuses;
    bool cancelDisabled = false;
    std::size_t statusesBeforeCancelDisabled = 0;
    int eventRounds = 0;
    std::vector<std::string> warnings;
    std::vector<PageProgress> merged;
    std::vector<int32_t> pieces;
    std::function<void(const std::string&)> onStatus;

    bool cancelRequested = false;
    std::function<bool()> cancelWhen;
    int receivedBlocks = 0;
    int32_t lastReceived = 0;
    int32_t lastTotal = 0;
    double bytesReceived = 0;
    double bytesSent = 0;
};

// A run as the window makes it: its boxes, answered by a ScopedMessages
// script, and a host that records.
struct WindowRun {
    WatchedBoxes boxes;
    RecordingHost host;
    RunContext context{boxes, host};
};

// The requests of a run as the window makes them, for a test that asks for
// pages one at a time.
struct WindowSession {
    WatchedBoxes boxes;
    RecordingHost host;
    RequestServices services{boxes, host, host};
    DownloadSession session{services};
};

// The ids of a document's posts, in document order.
inline std::vector<std::string> IdsIn(const XmlDocument& document) {
    std::vector<std::string> ids;
    for (const XmlNode& post : document.DocumentNode().SelectNodes("/tumblr/posts/post"))
        ids.push_back(post.AttributeText("id"));
    return ids;
}

}  // namespace qv::test
