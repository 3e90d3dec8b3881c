// SPDX-License-Identifier: GPL-3.0-or-later
// The Library's jobs: one quillvault-cli child per job, any number of
// backups at once, and on one backup only jobs that go together
// (JobsGoTogether: its media and its offline view side by side, a backup run
// alone). The child's standard error is read line by line as --json events;
// its standard output (the summary for people) is not needed. Stopping sends
// SIGINT, as Ctrl+C in a terminal would, so an interrupted run keeps its
// journal for the next one.
#pragma once

#include <QObject>
#include <QProcess>
#include <QTimer>
#include <map>
#include <string>

#include "library/JobState.h"

namespace qv::library {

class JobBoard : public QObject {
    Q_OBJECT

public:
    explicit JobBoard(QObject* parent = nullptr);
    ~JobBoard() override;

    // Starts `command` for the backup at `path`; false when a job runs there
    // that it does not go together with.
    bool Start(const std::string& path, const CliCommand& command, const QProcessEnvironment& environment,
               bool openWhenDone = false);
    // Whether a job of `kind` may start on the backup now.
    bool MayStart(const std::string& path, JobKind kind) const;
    bool Running(const std::string& path) const;
    bool AnyRunning() const;
    // The job the backup's row shows: the last started of those running,
    // else the last that ended; null when it had none.
    const JobState* State(const std::string& path) const;
    // Its job of `kind`, running or the last that ran; null when none.
    const JobState* State(const std::string& path, JobKind kind) const;
    // Every job of the backup that runs now, in the order they started.
    std::vector<const JobState*> RunningJobs(const std::string& path) const;
    // The details of every job of the backup in this session, oldest first.
    QStringList Messages(const std::string& path) const;

    // Adds a line of the Library's own to the backup's details.
    void Note(const std::string& path, const QString& text);

    // Stops every job of the backup.
    void Stop(const std::string& path);
    void StopAll();

signals:
    void Changed(const QString& path);
    // After the state holds the outcome.
    void Ended(const QString& path, qv::library::JobKind kind);

private:
    struct Job {
        JobState state;
        QProcess* process = nullptr;
        LineSplitter splitter;
        int started = 0;  // the order of its start among all starts and ends
        int ended = 0;    // and of its end
    };
    struct Backup {
        std::map<JobKind, Job> jobs;
        QStringList messages;
    };

    Job* Find(const std::string& path, JobKind kind);
    void ReadErrors(const std::string& path, JobKind kind);
    void Take(const std::string& path, Job& job, const std::string& line);
    void Finish(const std::string& path, JobKind kind, int exitCode, bool crashed, const QString& failure);
    void AddMessage(Backup& backup, const QString& text);
    void Tick();

    std::map<std::string, Backup> backups_;
    int moments_ = 0;  // starts and ends so far
    QTimer countdown_;
};

}  // namespace qv::library
