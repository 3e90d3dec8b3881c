// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/JobState.h"

#include "library/Wording.h"

namespace qv::library {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

QString FirstLine(const QString& text) { return text.section('\n', 0, 0).trimmed(); }

QString WaitReason(const std::string& reason) {
    if (reason == "throttled") return "the service asks to slow down";
    if (reason == "retry") return "trying again";
    if (reason == "busy-host") return "the media host is busy";
    return Text(reason);
}

// Words and a bar for one progress event of the run's current command.
void TakeProgress(JobState& state, const JobEvent& event) {
    QStringList parts;
    if (event.command == "backup") {
        const auto page = event.Number("page");
        const auto pages = event.Number("pages");
        if (page) parts << (pages ? QString("page %1 of %2").arg(Count(*page), Count(*pages)) : "page " + Count(*page));
        if (const auto posts = event.Number("posts")) parts << Counted(*posts, "post", "posts");
        state.done = page;
        state.total = pages;
    } else {
        const bool media = event.command == "media";
        const auto done = event.Number(media ? "files" : "posts");
        const auto of = event.Number("of");
        if (done)
            parts << (of ? QString("%1 of %2").arg(Count(*done), Count(*of)) : Count(*done)) +
                         (media ? " files" : " posts");
        if (const auto bytes = event.Number("bytes"); media && bytes) parts << Bytes(*bytes);
        state.done = done;
        state.total = of;
    }
    if (const auto eta = event.Number("eta")) parts << Duration(*eta) + " left";
    state.progress = parts.join(", ");
}

QString Outcome(const JobEvent& end) {
    if (end.command == "backup") {
        const auto added = end.Number("added");
        return added ? "Updated: " + Counted(*added, "new post", "new posts") : QString("Updated");
    }
    if (end.command == "media") {
        QString text = "Media kept: " + Count(end.Number("kept").value_or(0)) + " new";
        if (const auto missing = end.Number("missing").value_or(0)) text += ", " + Count(missing) + " missing";
        if (const auto failed = end.Number("failed").value_or(0)) text += ", " + Count(failed) + " failed";
        return text;
    }
    if (end.command == "html") return "Offline view written";
    return "Done";
}

}  // namespace

QString JobTitle(JobKind kind) {
    switch (kind) {
        case JobKind::Update: return "Update now";
        case JobKind::Media: return "Keep media";
        case JobKind::OfflineView: return "Open offline view";
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
            const std::int64_t seconds = std::max<std::int64_t>(0, event.Number("seconds").value_or(0));
            state.waitUntil = QDeadlineTimer(seconds * 1000);
            state.waitReason = WaitReason(event.Text("reason"));
            const QString text = Text(event.Text("text"));
            return text.isEmpty() ? QString("Waiting %1: %2").arg(Duration(seconds), state.waitReason) : text;
        }
        case EventKind::Notice: return Text(event.Text("text"));
        case EventKind::Warning: return "Warning: " + Text(event.Text("text"));
        case EventKind::End:
            // Said once, when the job is over (FinishJob); its reasons came as events before it.
            state.lastEnd = event;
            return std::nullopt;
        case EventKind::Unknown: {
            const QString text = Text(event.Text("text"));
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
    const std::string status = state.lastEnd ? state.lastEnd->Text("status") : std::string();
    state.succeeded = !crashed && failure.isEmpty() && exitCode == 0 && status == "ok";
    state.stopped = !state.succeeded && (status == "cancelled" || exitCode == 130 || state.stopping);
    if (state.succeeded) {
        state.outcome = Outcome(*state.lastEnd);
    } else if (state.stopped) {
        state.outcome = "Stopped";
    } else if (!failure.isEmpty()) {
        state.outcome = "Failed: " + failure;
    } else if (state.lastEnd && status != "ok") {
        const QString text = FirstLine(Text(state.lastEnd->Text("text")));
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
    if (!state.running || state.waitUntil || !state.done || !state.total || *state.total <= 0) return std::nullopt;
    return static_cast<int>(std::clamp<std::int64_t>(*state.done * 100 / *state.total, 0, 100));
}

}  // namespace qv::library
