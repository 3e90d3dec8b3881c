// SPDX-License-Identifier: GPL-3.0-or-later
// Everything a command says while it runs, whoever reads it: a person at a
// terminal or in a mail from cron (HumanOutput), or a program reading one
// JSON object per line (JsonOutput, --json). The backup run's events come
// through the run reporter; media and html runs have their own.
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>

#include "MediaRun.h"
#include "Status.h"
#include "runpolicy/RunReporter.h"
#include "runpolicy/UnattendedBackup.h"

namespace qv::cli {

enum ExitStatus { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2, kExitCancelled = 130 };

// The exit status a command ends with, by the kind of its outcome.
int ExitStatusFor(const Status& status);

struct HtmlWritten {
    std::string indexFile;
    std::size_t pagesWritten = 0;
    std::size_t pagesUnchanged = 0;
    std::size_t pagesRemoved = 0;
};

class Output : public runpolicy::IRunReporter {
public:
    virtual void BackupStarted(const BackupOptions& request) = 0;
    // `saved`: the file's full path.
    virtual void BackupEnded(const runpolicy::UnattendedOutcome& outcome, const std::string& saved) = 0;

    virtual void MediaStarted(const std::string& backup, const std::string& folder) = 0;
    virtual void MediaProgress(const media::MediaProgress& progress) = 0;
    virtual void MediaEnded(const media::MediaSummary& summary, const Status& status) = 0;

    virtual void HtmlStarted(const std::string& backup, const std::string& folder) = 0;
    virtual void HtmlProgress(std::size_t postsDone, std::size_t posts) = 0;
    virtual void HtmlEnded(const HtmlWritten& written, const Status& status) = 0;

    virtual void SignInStarted() = 0;
    // `name`: the signed-in user's, when the status is Ok.
    virtual void SignInEnded(const std::string& name, const Status& status) = 0;

    // A failure of the program's own surroundings (the settings store, the system).
    virtual void Failed(const char* command, const Status& status) = 0;
};

// How a command was asked to speak (-q, --json); every command takes both.
struct OutputChoice {
    bool quiet = false;  // no progress for people
    bool json = false;   // JSON lines for programs
};

// The output a command asked for: JSON lines on `err`, or words for people
// (progress on a terminal `err` redrawn in place, silent with `quiet`).
// Either way the summary goes to `out`.
std::unique_ptr<Output> MakeOutput(const OutputChoice& choice, std::ostream& out, std::ostream& err,
                                   bool errIsTerminal);

}  // namespace qv::cli
