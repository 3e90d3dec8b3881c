// SPDX-License-Identifier: GPL-3.0-or-later
// The state of a backup's job as its events tell it: what runs, how far it
// is, what it waits for, and how it ended. The texts of the row and the
// details pane are made here, from the events alone.
#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <optional>

#include "library/CliCommands.h"
#include "library/JobEvents.h"

namespace qv::library {

struct JobState {
    JobKind kind = JobKind::Update;
    bool running = false;
    bool stopping = false;
    bool openWhenDone = false;  // an offline view is opened once written

    // Progress: `done` of `total` units (pages, files, posts), and its words.
    std::optional<std::int64_t> done;
    std::optional<std::int64_t> total;
    QString progress;

    // A wait for the service, counted down in the row.
    std::optional<QDeadlineTimer> waitUntil;
    QString waitReason;

    // After the end.
    bool succeeded = false;
    bool stopped = false;
    QString outcome;
    std::optional<JobEvent> lastEnd;  // of the last command that ended
};

// Folds one event into the state; answers the line it adds to the details, if any.
std::optional<QString> ApplyEvent(JobState& state, const JobEvent& event);
// Ends the state when the process ended with `exitCode` (or crashed, or never started: `failure`).
QString FinishJob(JobState& state, int exitCode, bool crashed, const QString& failure);

// The row's words: what runs and how far, the countdown of a wait, or the outcome.
QString RowText(const JobState& state);
// 0..100 while a job runs and its total is known.
std::optional<int> Percent(const JobState& state);

// "Update now", "Keep media", "Open offline view"
QString JobTitle(JobKind kind);

}  // namespace qv::library
