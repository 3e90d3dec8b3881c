// SPDX-License-Identifier: GPL-3.0-or-later
// The front end's side of an unattended run: turns blocks and merged pages
// into progress (pages of the pages expected, posts, bytes, rate, time left),
// and hands a stop request to the running transfer.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "modTumblrInteraction.h"
#include "runpolicy/RunReporter.h"

namespace qv::runpolicy {

class RunProgress : public IBackupHost {
public:
    // `fullRun`: the run pages through the whole blog, so the pages it takes
    // follow from the total the service announces.
    RunProgress(IRunReporter& reporter, bool fullRun, std::function<bool()> stopRequested);

    void BlockReceived(const std::string& block, bool& removeBlock, int32_t receivedBytes, int32_t totalBytes,
                       bool& cancel) override;
    void BlockSent(const std::string& block, int32_t sentBytes, int32_t totalBytes, bool& cancel) override;

    void SetStatus(const std::string& text) override;
    void DisableCancel() override {}
    void DoEvents() override {}
    void Warn(const std::string& text) override;
    void PageMerged(const PageProgress& progress) override;

    // Where the run stands now.
    BackupProgress Now() const;

private:
    using Clock = std::chrono::steady_clock;
    void Report(bool always);

    IRunReporter& reporter_;
    bool fullRun_;
    std::function<bool()> stopRequested_;
    Clock::time_point started_;
    Clock::time_point lastReport_{};
    PageProgress merged_;
    int64_t bytes_ = 0;
};

}  // namespace qv::runpolicy
