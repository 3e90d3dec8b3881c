// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/JobState.h"

#include "CliEvents.h"
#include "Status.h"
#include "library/Wording.h"

namespace qv::library {

namespace {

namespace command = events::command;
namespace field = events::field;

QString Text(const std::string& text) { return QString::fromStdString(text); }

QString FirstLine(const QString& text) { return text.section('\n', 0, 0).trimmed(); }

QString WaitReason(const std::string& reason) {
    if (reason == events::reason::kThrottled) return "the service asks to slow down";
    if (reason == events::reason::kRetry) return "trying again";
    if (reason == events::reason::kBusyHost) return "the media host is busy";
    return Text(reason);
}

// Words and a bar for one progress event of the run's current command.
void TakeProgress(JobState& state, const JobEvent& event) {
    QStringList parts;
    if (event.command == command::kBackup) {
        const auto page = event.Number(field::kPage);
        const auto pages = event.Number(field::kPages);
        if (page)
            parts << (pages ? QString("page %1 of %2").arg(Count(*page), Count(*pages))
                            : "page " + Count(*page));
        if (const auto posts = event.Number(field::kPosts)) parts << Counted(*posts, "post", "posts");
        state.done = page;
        state.total = pages;
    } else {
        const bool media = event.command == command::kMedia;
        const auto done = event.Number(media ? field::kFiles : field::kPosts);
        const auto of = event.Number(field::kOf);
        if (done)
            parts << (of ? QString("%1 of %2").arg(Count(*done), Count(*of)) : Count(*done)) +
                         (media ? " files" : " posts");
        if (const auto bytes = event.Number(field::kBytes); media && bytes) parts << Bytes(*bytes);
        state.done = done;
        state.total = of;
    }
    if (const auto eta = event.Number(field::kEta)) parts << Duration(*eta) + " left";
    state.progress = parts.join(", ");
}

QString Outcome(const JobEvent& end) {
    if (end.command == command::kBackup) {
        const auto added = end.Number(field::kAdded);
        return added ? "Updated: " + Counted(*added, "new post", "new posts") : QString("Updated");
    }
    if (end.command == command::kMedia) {
        QString text = "Media kept: " + Count(end.Number(field::kKept).value_or(0)) + " new";
        if (const auto missing = end.Number(field::kMissing).value_or(0))
            text += ", " + Count(missing) + " missing";
        if (const auto failed = end.Number(field::kFailed).value_or(0))
            text += ", " + Count(failed) + " failed";
        return text;
    }
    if (end.command == command::kHtml) return "Offline view written";
    return "Done";
}

}  // namespace

QString JobTitle(JobKind kind) {
    switch (kind) {
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
    if (event.kind != EventKind::Wait && event.kind != EventKind::PlainLine) state.waitUntil.reset();
    switch (event.kind) {
        case EventKind::Start:
            state.done.reset();
            state.total.reset();
            state.progress.clear();
            return std::nullopt;
        case EventKind::Progress:
            TakeProgress(state, event);
            return std::nullopt;
        case EventKind::Wait: {
            const std::int64_t seconds = std::max<std::int64_t>(0, event.Number(field::kSeconds).value_or(0));
            state.waitUntil = QDeadlineTimer(seconds * 1000);
            state.waitReason = WaitReason(event.Text(field::kReason));
            const QString text = Text(event.Text(field::kText));
            return text.isEmpty() ? QString("Waiting %1: %2").arg(Duration(seconds), state.waitReason) : text;
        }
        case EventKind::Notice:
            return Text(event.Text(field::kText));
        case EventKind::Warning:
            return "Warning: " + Text(event.Text(field::kText));
        case EventKind::End:
            // Said once, when the job is over (FinishJob); its reasons came as events before it.
            state.lastEnd = event;
            return std::nullopt;
        case EventKind::Unknown: {
            const QString text = Text(event.Text(field::kText));
            return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
        }
        case EventKind::PlainLine:
            return event.line.empty() ? std::nullopt : std::optional<QString>(Text(event.line));
    }
    return std::nullopt;
}

QString FinishJob(JobState& state, int exitCode, bool crashed, const QString& failure) {
    state.running = false;
    state.waitUntil.reset();
    const std::string status = state.lastEnd ? state.lastEnd->Text(field::kStatus) : std::string();
    state.succeeded = !crashed && failure.isEmpty() && exitCode == 0 && status == KindName(StatusKind::Ok);
    state.stopped =
        !state.succeeded && (status == KindName(StatusKind::Cancelled) || exitCode == 130 || state.stopping);
    if (state.succeeded) {
        state.outcome = Outcome(*state.lastEnd);
    } else if (state.stopped) {
        state.outcome = "Stopped";
    } else if (!failure.isEmpty()) {
        state.outcome = "Failed: " + failure;
    } else if (state.lastEnd && status != KindName(StatusKind::Ok)) {
        const QString text = FirstLine(Text(state.lastEnd->Text(field::kText)));
        state.outcome = "Failed: " + (text.isEmpty() ? Text(status) : text);
    } else {
        state.outcome = crashed ? QString("Failed: quillvault-cli crashed")
                                : QString("Failed: quillvault-cli ended with exit status %1").arg(exitCode);
    }
    return state.outcome;
}

QString RowText(const JobState& state) {
    if (!state.running) return state.outcome;
    if (state.stopping) return "Stopping…";
    if (state.waitUntil) {
        const qint64 seconds = (state.waitUntil->remainingTime() + 999) / 1000;
        return QString("Waiting %1: %2").arg(Duration(seconds), state.waitReason);
    }
    static const char* const verbs[] = {"Updating", "Keeping media", "Writing offline view"};
    const QString verb = verbs[static_cast<int>(state.kind)];
    return state.progress.isEmpty() ? verb + "…" : verb + ": " + state.progress;
}

std::optional<int> Percent(const JobState& state) {
    if (!state.running || state.waitUntil || !state.done || !state.total || *state.total <= 0)
        return std::nullopt;
    return static_cast<int>(std::clamp<std::int64_t>(*state.done * 100 / *state.total, 0, 100));
}

}  // namespace qv::library
