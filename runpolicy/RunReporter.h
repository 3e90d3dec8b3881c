// SPDX-License-Identifier: GPL-3.0-or-later
// What an unattended backup run tells the person or program watching it.
// The command line prints it for people or as JSON lines for programs.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace qv::runpolicy {

struct BackupProgress {
    int32_t pagesDone = 0;
    // The pages a full run will take, from the total the service announced.
    std::optional<int32_t> pages;
    int32_t posts = 0;  // in the backup so far
    std::optional<int64_t> announced;
    int64_t bytes = 0;  // received by this run
    double bytesPerSecond = 0;
    std::optional<std::chrono::seconds> timeLeft;
};

enum class WaitReason {
    Throttled,  // the service says it is asked too often
    Retry,      // a failed request is asked again after a pause
};

class IRunReporter {
public:
    virtual ~IRunReporter() = default;
    virtual void Progress(const BackupProgress& progress) = 0;
    // A stage past the download ("Sorting posts...").
    virtual void Stage(const std::string& text) = 0;
    // Worth knowing, not a problem.
    virtual void Notice(const std::string& text) = 0;
    // A problem the run goes on despite.
    virtual void Warning(const std::string& text) = 0;
    // Why the run ends without a backup.
    virtual void Error(const std::string& text) = 0;
    // The run pauses for `wait` before it asks again.
    virtual void Waiting(WaitReason reason, std::chrono::seconds wait, const std::string& text) = 0;
    // The closing summary of a saved backup.
    virtual void Summary(const std::string& text) = 0;
};

}  // namespace qv::runpolicy
