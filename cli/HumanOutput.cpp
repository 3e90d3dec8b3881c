// SPDX-License-Identifier: GPL-3.0-or-later
#include "HumanOutput.h"

#include <cstdio>

#include "CommandLine.h"
#include "Summaries.h"
#include "Sundrykit.h"

namespace qv::cli {

namespace {

// "940 B", "29.3 KB", "1.2 MB", "310 KB": short enough for a line that is redrawn.
std::string Size(double bytes) {
    static const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB"};
    int unit = 0;
    while (bytes >= 1000 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 || bytes >= 100 ? "%.0f %s" : "%.1f %s", bytes, kUnits[unit]);
    return text;
}

std::string Posts(int64_t count) { return skFormatLong(static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX))); }

}  // namespace

void HumanOutput::Progress(const runpolicy::BackupProgress& progress) {
    // Until the first page is in, only its bytes say that something moves.
    if (progress.pagesDone == 0)
        return console_.Progress("Receiving the first page · " + Size(static_cast<double>(progress.bytes)) + " · " +
                                 Size(progress.bytesPerSecond) + "/s");
    std::string line = "Page " + skFormatLong(progress.pagesDone);
    if (progress.pages) line += " of " + skFormatLong(*progress.pages);
    line += " · " + Posts(progress.posts);
    if (progress.announced) line += " of " + Posts(*progress.announced);
    line += " posts · " + Size(static_cast<double>(progress.bytes)) + " · " + Size(progress.bytesPerSecond) + "/s";
    if (progress.timeLeft) line += " · " + Clock(*progress.timeLeft) + " left";
    console_.Progress(line);
}

void HumanOutput::Stage(const std::string& text) { console_.Transient(text); }

void HumanOutput::Notice(const std::string& text) { console_.Notice(text); }

void HumanOutput::Warning(const std::string& text) { console_.Message(text); }

void HumanOutput::Error(const std::string& text) { console_.Message(text); }

void HumanOutput::Waiting(runpolicy::WaitReason, std::chrono::seconds, const std::string& text) {
    console_.Notice(text);
}

void HumanOutput::Summary(const std::string& text) { summary_ = text; }

void HumanOutput::BackupStarted(const BackupOptions&) { console_.BeginProgress(); }

void HumanOutput::BackupEnded(const runpolicy::UnattendedOutcome& outcome, const std::string& saved) {
    console_.EndProgress();
    if (outcome.result.status.ok()) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(outcome.duration);
        console_.Summary(SavedSummary(ReadThrough(summary_, outcome.reader), saved, seconds));
    } else if (outcome.result.status.Is(StatusKind::Cancelled)) {
        console_.Message(outcome.result.status.text());
    }
}

void HumanOutput::MediaStarted(const std::string&, const std::string&) { console_.BeginProgress(); }

void HumanOutput::MediaProgress(const media::MediaProgress& progress) {
    std::string line = "Media: " + skFormatLong(progress.kept) + " of " + skFormatLong(progress.toKeep) +
                       " files kept · " + Size(static_cast<double>(progress.bytes)) + " · " +
                       Size(progress.bytesPerSecond) + "/s";
    if (progress.waiting.count() > 0) {
        line += " · waiting " + std::to_string(progress.waiting.count()) + " s as a server asked";
    } else if (progress.timeLeft) {
        line += " · " + Clock(*progress.timeLeft) + " left";
    }
    console_.Progress(line);
}

void HumanOutput::MediaEnded(const media::MediaSummary& summary, const Status& status) {
    console_.EndProgress();
    if (!summary.started) {
        console_.Message(std::string(kProgramName) + ": " + status.text());
        return;
    }
    console_.Summary(MediaSummaryText(summary));
    if (status.Is(StatusKind::Cancelled)) {
        console_.Message("Stopped; every file kept so far stays, and the next run goes on from there.");
    } else if (!status.ok() && summary.failed == 0) {
        console_.Message(std::string(kProgramName) + ": " + status.text());
    } else if (summary.failed > 0) {
        console_.Message(skFormatLong(summary.failed) + (summary.failed == 1 ? " file" : " files") +
                         " failed (see manifest.tsv); the next run tries again.");
    }
}

void HumanOutput::HtmlStarted(const std::string&, const std::string&) { console_.BeginProgress(); }

void HumanOutput::HtmlProgress(std::size_t postsDone, std::size_t posts) {
    console_.Progress("Writing pages: " + std::to_string(postsDone) + " of " + std::to_string(posts) + " posts");
}

void HumanOutput::HtmlEnded(const HtmlWritten& written, const Status& status) {
    console_.EndProgress();
    // The pages may be written and only the browser failed to open them.
    if (!written.indexFile.empty()) console_.Summary(written.indexFile);
    if (!status.ok()) console_.Message(std::string(kProgramName) + ": " + status.text());
}

void HumanOutput::SignInStarted() {}

void HumanOutput::SignInEnded(const std::string&, const Status& status) {
    if (!status.ok()) console_.Message(std::string(kProgramName) + ": " + status.text());
}

void HumanOutput::Failed(const char*, const Status& status) {
    console_.Message(std::string(kProgramName) + ": " + status.text());
}

}  // namespace qv::cli
