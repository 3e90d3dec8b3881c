// SPDX-License-Identifier: GPL-3.0-or-later
// What a command says for people: one progress line, notices (silent with
// --quiet), problems, and the summary on standard output.
#pragma once

#include "Console.h"
#include "Output.h"

namespace qv::cli {

class HumanOutput : public Output {
public:
    HumanOutput(std::ostream& out, std::ostream& err, bool terminal, bool quiet)
        : console_(out, err, terminal, quiet) {}

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

private:
    Console console_;
    std::string summary_;
};

}  // namespace qv::cli
