// SPDX-License-Identifier: GPL-3.0-or-later
// The state of one job of a backup as its events tell it: what runs, how far
// it is, what it waits for, and how it ended. The texts of the row, its
// tooltip and the details pane are made here, from the events alone.
#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <string>

#include "library/CliCommands.h"
#include "library/JobEvents.h"

namespace qv::library {

struct JobState {
    JobKind kind = JobKind::Update;
    bool running = false;
    bool stopping = false;
    bool openWhenDone = false;  // an offline view is opened once written

    // The command whose events come now (a backup run with --media --html says three).
    std::string command;
    // Progress: `done` of `total` units (pages, files, posts); the row's
    // short words ("Page 12 of 41") and all of it ("page 12 of 41, 600 posts,
    // 1.2 MB, 310 KB/s, 23 s left").
    std::optional<std::int64_t> done;
    std::optional<std::int64_t> total;
    std::int64_t bytes = 0;
    QString progress;
    QString detail;

    // A wait for the service, counted down in the row.
    std::optional<QDeadlineTimer> waitUntil;
    QString waitReason;
    QString waitText;  // the command's own words of the wait, naming what it waits out

    // After the end.
    bool succeeded = false;
    bool stopped = false;
    QString outcome;
    std::optional<JobEvent> lastEnd;       // of the last command that ended
    std::map<std::string, JobEvent> ends;  // of each command that ended, by its name
};

// Folds one event into the state; answers the line it adds to the details, if any.
std::optional<QString> ApplyEvent(JobState& state, const JobEvent& event);
// Ends the state when the process ended with `exitCode` (or crashed, or never started: `failure`).
QString FinishJob(JobState& state, int exitCode, bool crashed, const QString& failure);

// Whether the job's backup run saved its file, whatever became of its media or offline view.
bool SavedBackup(const JobState& state);

// The row's few words: how far, the countdown of a wait, or the outcome's first line.
QString RowText(const JobState& state);
// All of it, for the row's tooltip and the details pane: what runs, how far,
// how much and how fast, and the time left; or the outcome.
QString ProgressText(const JobState& state);
// 0..100 while a job runs and its total is known.
std::optional<int> Percent(const JobState& state);

// "Back up", "Update now", "Keep media", "Open offline view"
QString JobTitle(JobKind kind);

}  // namespace qv::library
