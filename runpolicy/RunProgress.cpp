// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpolicy/RunProgress.h"

#include <algorithm>

namespace qv::runpolicy {

namespace {

// Progress that moves by the block is said at most this often.
constexpr std::chrono::milliseconds kReportEvery{250};

}  // namespace

RunProgress::RunProgress(IRunReporter& reporter, bool fullRun, std::function<bool()> stopRequested)
    : reporter_(reporter), fullRun_(fullRun), stopRequested_(std::move(stopRequested)), started_(Clock::now()) {}

void RunProgress::BlockReceived(const std::string& block, bool&, int32_t, int32_t, bool& cancel) {
    bytes_ += static_cast<int64_t>(block.size());
    if (!block.empty()) Report(false);
    if (stopRequested_()) cancel = true;
}

void RunProgress::BlockSent(const std::string&, int32_t, int32_t, bool& cancel) {
    if (stopRequested_()) cancel = true;
}

void RunProgress::SetStatus(const std::string& text) { reporter_.Stage(text); }

void RunProgress::Warn(const std::string& text) { reporter_.Warning(text); }

void RunProgress::PageMerged(const PageProgress& progress) {
    merged_ = progress;
    Report(true);
}

BackupProgress RunProgress::Now() const {
    BackupProgress now;
    now.pagesDone = merged_.page;
    now.posts = merged_.posts;
    now.announced = merged_.announced;
    now.bytes = bytes_;
    if (fullRun_ && merged_.announced) {
        const int64_t pageSize = std::max(merged_.pageSize, 1);
        const int64_t pages = (*merged_.announced + pageSize - 1) / pageSize;
        now.pages = static_cast<int32_t>(std::max<int64_t>({pages, 1, merged_.page}));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    if (seconds > 0) now.bytesPerSecond = static_cast<double>(bytes_) / seconds;
    if (now.pages && merged_.page > 0) {
        const double perPage = seconds / merged_.page;
        now.timeLeft = std::chrono::seconds(static_cast<long long>(perPage * (*now.pages - merged_.page) + 0.5));
    }
    return now;
}

void RunProgress::Report(bool always) {
    const auto now = Clock::now();
    if (!always && now - lastReport_ < kReportEvery) return;
    lastReport_ = now;
    reporter_.Progress(Now());
}

}  // namespace qv::runpolicy
