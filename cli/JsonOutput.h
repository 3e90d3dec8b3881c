// SPDX-License-Identifier: GPL-3.0-or-later
// What a command says for programs (--json): one JSON object per line on
// standard error, each naming its event and its command; nothing else goes
// there. The names are those of CliEvents.h; the README lists the events.
// Standard output gets the summary, as without --json.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

#include "CliEvents.h"
#include "Output.h"

namespace qv::cli {

class JsonOutput : public Output {
public:
    JsonOutput(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    void Progress(const runpolicy::BackupProgress& progress) override;
    void Stage(const std::string& text) override;
    void Notice(const std::string& text) override;
    void Warning(const std::string& text) override;
    void Error(const std::string& text) override;
    void Waiting(runpolicy::WaitReason reason, std::chrono::seconds wait, const std::string& text) override;
    void Summary(const std::string& text) override;

    void BackupStarted(const BackupOptions& request) override;
    void BackupEnded(const runpolicy::UnattendedOutcome& outcome, const std::string& saved) override;
    void MediaStarted(const std::string& backup, const std::string& folder) override;
    void MediaProgress(const media::MediaProgress& progress) override;
    void MediaEnded(const media::MediaSummary& summary, const Status& status) override;
    void HtmlStarted(const std::string& backup, const std::string& folder) override;
    void HtmlProgress(std::size_t postsDone, std::size_t posts) override;
    void HtmlEnded(const HtmlWritten& written, const Status& status) override;
    void SignInStarted() override;
    void SignInEnded(const std::string& name, const Status& status) override;
    void Failed(const char* command, const Status& status) override;

    // A usage error, before any command started.
    static void UsageError(std::ostream& err, const char* command, const std::string& text);

private:
    void Emit(const char* event, nlohmann::ordered_json fields);
    void Ended(const Status& status, nlohmann::ordered_json fields);
    void SayOnOutput(const std::string& text);

    std::ostream& out_;
    std::ostream& err_;
    const char* command_ = events::command::kBackup;
    std::string summary_;
    std::chrono::steady_clock::time_point lastProgress_{};
    bool mediaWaiting_ = false;
};

}  // namespace qv::cli
