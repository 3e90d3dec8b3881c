// SPDX-License-Identifier: GPL-3.0-or-later
// The run's own count of what its requests cost: every block of every
// request passes through here on its way to the front end, which sees the
// same blocks as before and can still stop the transfer.
#pragma once

#include "RunContext.h"
#include "modTumblrInteraction.h"

namespace qv {

class RunTraffic : public IHTTPRequestCallback {
public:
    explicit RunTraffic(IBackupHost& host) : host_(host) {}

    void BlockReceived(const std::string& block, bool& removeBlock, int32_t receivedBytes, int32_t totalBytes,
                       bool& cancel) override {
        counters_.BytesReceived += static_cast<double>(block.size());
        host_.BlockReceived(block, removeBlock, receivedBytes, totalBytes, cancel);
    }
    void BlockSent(const std::string& block, int32_t sentBytes, int32_t totalBytes, bool& cancel) override {
        counters_.BytesSent += static_cast<double>(block.size());
        host_.BlockSent(block, sentBytes, totalBytes, cancel);
    }

    // The run moves on to the page numbered `piece`, from 1.
    void SetPiece(int32_t piece) {
        counters_.PieceCount = piece;
        host_.PieceChanged(piece);
    }
    const TrafficCounters& Counters() const { return counters_; }

private:
    IBackupHost& host_;
    TrafficCounters counters_;
};

}  // namespace qv
