// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/JobState.h"

#include <algorithm>

#include "CliEvents.h"
#include "Status.h"
#include "library/Wording.h"

namespace qv::library {

namespace {

namespace command = events::command;
namespace field = events::field;

// A wait is shown as at most a year: a longer one, which no service asks for,
// would overflow its deadline in milliseconds.
constexpr std::int64_t kLongestWait = 366LL * 24 * 3600;

QString Text(const std::string& text) { return QString::fromStdString(text); }

QString FirstLine(const QString& text) { return text.section('\n', 0, 0).trimmed(); }

QString WaitReason(const std::string& reason) {
    if (reason == events::reason::kThrottled) return "the service asks to slow down";
    if (reason == events::reason::kRetry) return "trying again";
    if (reason == events::reason::kBusyHost) return "a media host asked to wait";
    return Text(reason);
}

// What the job does while `command` runs: "Updating", "Keeping media".
QString Verb(const JobState& state) {
    if (state.command == command::kMedia || (state.command.empty() && state.kind == JobKind::Media))
        return "Keeping media";
    if (state.command == command::kHtml || (state.command.empty() && state.kind == JobKind::OfflineView))
        return "Writing offline view";
    return state.kind == JobKind::Backup ? "Backing up" : "Updating";
}

QString OfKnown(std::int64_t done, std::optional<std::int64_t> of) {
    return of ? QString("%1 of %2").arg(Count(done), Count(*of)) : Count(done);
}

// The units a progress event of `command` counts: pages, files or posts.
const char* UnitsField(const std::string& command) {
    if (command == command::kBackup) return field::kPage;
    return command == command::kMedia ? field::kFiles : field::kPosts;
}

// The command line repeats its progress while it waits; only one that moved
// (more done, more bytes) or a wait gone by ends the wait.
bool StillWaiting(const JobState& state, const JobEvent& progress) {
    return state.waitUntil && !state.waitUntil->hasExpired() && progress.command == state.command &&
           progress.Number(UnitsField(progress.command)) == state.done &&
           progress.Number(field::kBytes).value_or(0) == state.bytes;
}

// Words and a bar for one progress event of the run's current command.
void TakeProgress(JobState& state, const JobEvent& event) {
    QStringList parts;
    QString brief;
    if (event.command == command::kBackup) {
        const auto page = event.Number(UnitsField(event.command));
        const auto pages = event.Number(field::kPages);
        if (page) {
            brief = "Page " + OfKnown(*page, pages);
            parts << "page " + OfKnown(*page, pages);
        }
        if (const auto posts = event.Number(field::kPosts)) parts << Counted(*posts, "post", "posts");
        state.done = page;
        state.total = pages;
    } else {
        const bool media = event.command == command::kMedia;
        const auto done = event.Number(UnitsField(event.command));
        const auto of = event.Number(field::kOf);
        if (done) {
            brief = (media ? "Media " : "View ") + OfKnown(*done, of);
            parts << OfKnown(*done, of) + (media ? " files" : " posts");
        }
        state.done = done;
        state.total = of;
    }
    state.bytes = event.Number(field::kBytes).value_or(0);
    if (state.bytes > 0) parts << Bytes(state.bytes);
    if (const auto rate = event.Number(field::kRate); rate && *rate > 0) parts << Bytes(*rate) + "/s";
    if (const auto eta = event.Number(field::kEta)) parts << Duration(*eta) + " left";
    state.progress = brief;
    state.detail = parts.join(", ");
}

QString BackupOutcome(const JobState& state, const JobEvent& end) {
    const auto posts = end.Number(field::kPosts);
    if (state.kind == JobKind::Backup)
        return posts ? "Saved: " + Counted(*posts, "post", "posts") : QString("Saved");
    const auto added = end.Number(field::kAdded);
    return added ? "Updated: " + Counted(*added, "new post", "new posts") : QString("Updated");
}

QString MediaOutcome(const JobEvent& end, bool alone) {
    QString text =
        (alone ? "Media kept: " : "media kept: ") + Count(end.Number(field::kKept).value_or(0)) + " new";
    if (const auto missing = end.Number(field::kMissing).value_or(0))
        text += ", " + Count(missing) + " missing";
    if (const auto failed = end.Number(field::kFailed).value_or(0)) text += ", " + Count(failed) + " failed";
    return text;
}

// "Failed files by reason:\n  26  media.example.com could not be found"; nothing when none failed.
std::optional<QString> FailureReasons(const JobEvent& end) {
    const auto reasons = end.fields.find(field::kReasons);
    if (end.command != command::kMedia || reasons == end.fields.end() || !reasons->is_array() ||
        reasons->empty())
        return std::nullopt;
    QString text = "Failed files by reason:";
    for (const nlohmann::json& reason : *reasons) {
        if (!reason.is_object()) continue;
        const auto files = reason.find(field::kFiles);
        const auto words = reason.find(field::kReason);
        if (files == reason.end() || !files->is_number_integer() || words == reason.end() ||
            !words->is_string())
            continue;
        text += "\n  " + Count(files->get<std::int64_t>()) + "  " + Text(words->get<std::string>());
    }
    return text;
}

bool EndedWell(const JobEvent& end) { return end.Text(field::kStatus) == KindName(StatusKind::Ok); }

// What every command of the job did, in the order they run: "Saved: 120
// posts; media kept: 26 new, 3 failed; offline view written".
QString Outcome(const JobState& state) {
    QStringList parts;
    const auto backup = state.ends.find(command::kBackup);
    const auto media = state.ends.find(command::kMedia);
    const auto html = state.ends.find(command::kHtml);
    if (backup != state.ends.end()) parts << BackupOutcome(state, backup->second);
    // Counts mean something only when the media run got as far as its files.
    if (media != state.ends.end() && media->second.Number(field::kKept))
        parts << MediaOutcome(media->second, parts.isEmpty());
    if (html != state.ends.end() && EndedWell(html->second))
        parts << (parts.isEmpty() ? "Offline view written" : "offline view written");
    return parts.isEmpty() ? QString("Done") : parts.join("; ");
}

}  // namespace

QString JobTitle(JobKind kind) {
    switch (kind) {
        case JobKind::Backup:
            return "Back up";
        case JobKind::Update:
            return "Update now";
        case JobKind::Media:
            return "Keep media";
        case JobKind::OfflineView:
            return "Open offline view";
    }
    return {};
}

std::optional<QString> ApplyEvent(JobState& state, const JobEvent& event) {
    const bool waitGoesOn = event.kind == EventKind::Wait || event.kind == EventKind::PlainLine ||
                            (event.kind == EventKind::Progress && StillWaiting(state, event));
    if (!waitGoesOn) state.waitUntil.reset();
    switch (event.kind) {
        case EventKind::Start:
            state.command = event.command;
            state.done.reset();
            state.total.reset();
            state.bytes = 0;
            state.progress.clear();
            state.detail.clear();
            return std::nullopt;
        case EventKind::Progress:
            TakeProgress(state, event);
            return std::nullopt;
        case EventKind::Wait: {
            const std::int64_t seconds =
                std::clamp<std::int64_t>(event.Number(field::kSeconds).value_or(0), 0, kLongestWait);
            state.waitUntil = QDeadlineTimer(seconds * 1000);
            state.waitReason = WaitReason(event.Text(field::kReason));
            state.waitText = Text(event.Text(field::kText));
            return state.waitText.isEmpty()
                       ? QString("Waiting %1: %2").arg(Duration(seconds), state.waitReason)
                       : state.waitText;
        }
        case EventKind::Notice:
            return Text(event.Text(field::kText));
        case EventKind::Warning:
            return "Warning: " + Text(event.Text(field::kText));
        case EventKind::End:
            // Said once, when the job is over (FinishJob); its reasons came as events before it,
            // but for the commonest reasons of failed media files.
            state.lastEnd = event;
            state.ends.insert_or_assign(event.command, event);
            return FailureReasons(event);
        case EventKind::Unknown: {
            const QString text = Text(event.Text(field::kText));
            return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
        }
        case EventKind::PlainLine:
            return event.line.empty() ? std::nullopt : std::optional<QString>(Text(event.line));
    }
    return std::nullopt;
}

bool SavedBackup(const JobState& state) {
    const auto backup = state.ends.find(command::kBackup);
    return backup != state.ends.end() && EndedWell(backup->second);
}

QString FinishJob(JobState& state, int exitCode, bool crashed, const QString& failure) {
    state.running = false;
    state.waitUntil.reset();
    const std::string status = state.lastEnd ? state.lastEnd->Text(field::kStatus) : std::string();
    state.succeeded = !crashed && failure.isEmpty() && exitCode == 0 && status == KindName(StatusKind::Ok);
    state.stopped =
        !state.succeeded && (status == KindName(StatusKind::Cancelled) || exitCode == 130 || state.stopping);
    if (state.succeeded) {
        state.outcome = Outcome(state);
    } else if (state.stopped) {
        state.outcome = SavedBackup(state) ? Outcome(state) + "; stopped" : QString("Stopped");
    } else if (!failure.isEmpty()) {
        state.outcome = "Failed: " + failure;
    } else if (SavedBackup(state)) {
        // The backup was saved; what came after it did not go well.
        state.outcome = Outcome(state);
        if (status != KindName(StatusKind::Ok) && state.lastEnd->command != events::command::kMedia)
            state.outcome += "; failed: " + FirstLine(Text(state.lastEnd->Text(field::kText)));
    } else if (state.lastEnd && status != KindName(StatusKind::Ok)) {
        if (state.lastEnd->command == events::command::kMedia && state.lastEnd->Number(field::kKept)) {
            state.outcome = Outcome(state);
        } else {
            const QString text = FirstLine(Text(state.lastEnd->Text(field::kText)));
            state.outcome = "Failed: " + (text.isEmpty() ? Text(status) : text);
        }
    } else {
        state.outcome = crashed ? QString("Failed: quillvault-cli crashed")
                                : QString("Failed: quillvault-cli ended with exit status %1").arg(exitCode);
    }
    return state.outcome;
}

QString RowText(const JobState& state) {
    if (!state.running) return FirstLine(state.outcome);
    if (state.stopping) return "Stopping…";
    if (state.waitUntil) {
        const qint64 seconds = (state.waitUntil->remainingTime() + 999) / 1000;
        return QString("Waiting %1: %2").arg(Duration(seconds), state.waitReason);
    }
    return state.progress.isEmpty() ? Verb(state) + "…" : state.progress;
}

QString ProgressText(const JobState& state) {
    if (!state.running) return state.outcome;
    if (state.waitUntil && !state.stopping && !state.waitText.isEmpty())
        return RowText(state) + "\n" + state.waitText;
    if (state.stopping || state.waitUntil) return RowText(state);
    return state.detail.isEmpty() ? Verb(state) + "…" : Verb(state) + ": " + state.detail;
}

std::optional<int> Percent(const JobState& state) {
    if (!state.running || state.waitUntil || !state.done || !state.total || *state.total <= 0)
        return std::nullopt;
    // In floating point: a count near the limit of its type times 100 would overflow.
    const double percent = static_cast<double>(*state.done) * 100.0 / static_cast<double>(*state.total);
    return static_cast<int>(std::clamp(percent, 0.0, 100.0));
}

}  // namespace qv::library
