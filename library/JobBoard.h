// SPDX-License-Identifier: GPL-3.0-or-later
// The Library's jobs: one quillvault-cli child per job, at most one per
// backup, any number of backups at once. The child's standard error is read
// line by line as --json events; its standard output (the summary for
// people) is not needed. Stopping sends SIGINT, as Ctrl+C in a terminal
// would, so an interrupted run keeps its journal for the next one.
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

    // Starts `command` for the backup at `path`; false when that backup
    // already has a job running.
    bool Start(const std::string& path, const CliCommand& command, const QProcessEnvironment& environment,
               bool openWhenDone = false);
    bool Running(const std::string& path) const;
    bool AnyRunning() const;
    // The backup's current or last job; null when it had none.
    const JobState* State(const std::string& path) const;
    // The details of every job of the backup in this session, oldest first.
    QStringList Messages(const std::string& path) const;

    // Adds a line of the Library's own to the backup's details.
    void Note(const std::string& path, const QString& text);

    void Stop(const std::string& path);
    void StopAll();

signals:
    void Changed(const QString& path);
    // After the state holds the outcome.
    void Ended(const QString& path);

private:
    struct Slot {
        JobState state;
        QStringList messages;
        QProcess* process = nullptr;
        LineSplitter splitter;
    };

    void ReadErrors(const std::string& path);
    void Take(const std::string& path, const std::string& line);
    void Finish(const std::string& path, int exitCode, bool crashed, const QString& failure);
    void AddMessage(Slot& slot, const QString& text);
    void Tick();

    std::map<std::string, Slot> slots_;
    QTimer countdown_;
};

}  // namespace qv::library
