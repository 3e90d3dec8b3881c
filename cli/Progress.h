// The window's side of a run, for a terminal: counts the traffic as the
// window's callbacks do, shows "Request #" and the bytes, and hands a stop
// request to the running transfer.
#pragma once

#include <functional>

#include "Console.h"
#include "modTumblrInteraction.h"

namespace qv::cli {

class TransferProgress : public IHTTPRequestCallback, public IBackupHost {
public:
    TransferProgress(Console& console, std::function<bool()> stopRequested)
        : console_(console), stopRequested_(std::move(stopRequested)) {}

    void BlockReceived(const std::string& block, bool& removeBlock, int32_t receivedBytes, int32_t totalBytes,
                       bool& cancel) override;
    void BlockSent(const std::string& block, int32_t sentBytes, int32_t totalBytes, bool& cancel) override;

    void SetStatus(const std::string& text) override;
    void DisableCancel() override {}
    void DoEvents() override {}
    void Warn(const std::string& text) override;
    bool StopRequested() override { return stopRequested_(); }

private:
    Console& console_;
    std::function<bool()> stopRequested_;
};

}  // namespace qv::cli
