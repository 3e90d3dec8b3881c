// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/JobBoard.h"

#include <QTime>
#include <algorithm>
#include <csignal>

namespace qv::library {

namespace {

constexpr int kMaxMessages = 5000;

QString Path(const std::string& path) { return QString::fromStdString(path); }

}  // namespace

JobBoard::JobBoard(QObject* parent) : QObject(parent) {
    countdown_.setInterval(1000);
    connect(&countdown_, &QTimer::timeout, this, &JobBoard::Tick);
}

JobBoard::~JobBoard() {
    // A child left running when the Library ends is ended with it; the
    // window asks and stops jobs before it gets here.
    for (auto& [path, backup] : backups_) {
        for (auto& [kind, job] : backup.jobs) {
            if (!job.process) continue;
            job.process->disconnect(this);
            job.process->kill();
            job.process->waitForFinished(5000);
        }
    }
}

JobBoard::Job* JobBoard::Find(const std::string& path, JobKind kind) {
    const auto backup = backups_.find(path);
    if (backup == backups_.end()) return nullptr;
    const auto job = backup->second.jobs.find(kind);
    return job == backup->second.jobs.end() ? nullptr : &job->second;
}

bool JobBoard::MayStart(const std::string& path, JobKind kind) const {
    for (const JobState* running : RunningJobs(path))
        if (!JobsGoTogether(running->kind, kind)) return false;
    return true;
}

bool JobBoard::Start(const std::string& path, const CliCommand& command, const QProcessEnvironment& environment,
                     bool openWhenDone) {
    if (!MayStart(path, command.kind)) return false;
    Backup& backup = backups_[path];
    Job& job = backup.jobs[command.kind];
    job = Job();
    job.started = ++moments_;
    job.state.kind = command.kind;
    job.state.running = true;
    job.state.openWhenDone = openWhenDone;

    const QString program = CliProgram();
    AddMessage(backup, QString("%1: %2 %3")
                           .arg(JobTitle(command.kind), program.isEmpty() ? "quillvault-cli" : program,
                                command.arguments.join(' ')));
    if (program.isEmpty()) {
        Finish(path, command.kind, -1, false,
               "quillvault-cli was found neither beside the Library nor on PATH");
        return true;
    }

    auto* process = new QProcess(this);
    job.process = process;
    const JobKind kind = command.kind;
    process->setProgram(program);
    process->setArguments(command.arguments);
    process->setProcessEnvironment(environment);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    connect(process, &QProcess::readyReadStandardError, this, [this, path, kind] { ReadErrors(path, kind); });
    connect(process, &QProcess::finished, this,
            [this, path, kind](int exitCode, QProcess::ExitStatus status) {
                ReadErrors(path, kind);
                Finish(path, kind, exitCode, status == QProcess::CrashExit, {});
            });
    connect(process, &QProcess::errorOccurred, this,
            [this, path, kind, process](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart) Finish(path, kind, -1, false, process->errorString());
            });
    process->start();
    emit Changed(Path(path));
    return true;
}

bool JobBoard::Running(const std::string& path) const { return !RunningJobs(path).empty(); }

bool JobBoard::AnyRunning() const {
    for (const auto& [path, backup] : backups_)
        if (!RunningJobs(path).empty()) return true;
    return false;
}

std::vector<const JobState*> JobBoard::RunningJobs(const std::string& path) const {
    std::vector<std::pair<int, const JobState*>> running;
    if (const auto backup = backups_.find(path); backup != backups_.end())
        for (const auto& [kind, job] : backup->second.jobs)
            if (job.state.running) running.emplace_back(job.started, &job.state);
    std::sort(running.begin(), running.end());
    std::vector<const JobState*> states;
    for (const auto& [started, state] : running) states.push_back(state);
    return states;
}

const JobState* JobBoard::State(const std::string& path) const {
    const auto backup = backups_.find(path);
    if (backup == backups_.end()) return nullptr;
    const Job* shown = nullptr;
    const auto latest = [](const Job& job) { return job.state.running ? job.started : job.ended; };
    for (const auto& [kind, job] : backup->second.jobs) {
        const bool better = !shown || (job.state.running && !shown->state.running) ||
                            (job.state.running == shown->state.running && latest(job) > latest(*shown));
        if (better) shown = &job;
    }
    return shown ? &shown->state : nullptr;
}

const JobState* JobBoard::State(const std::string& path, JobKind kind) const {
    const auto backup = backups_.find(path);
    if (backup == backups_.end()) return nullptr;
    const auto job = backup->second.jobs.find(kind);
    return job == backup->second.jobs.end() ? nullptr : &job->second.state;
}

QStringList JobBoard::Messages(const std::string& path) const {
    const auto found = backups_.find(path);
    return found == backups_.end() ? QStringList() : found->second.messages;
}

void JobBoard::Note(const std::string& path, const QString& text) {
    AddMessage(backups_[path], text);
    emit Changed(Path(path));
}

void JobBoard::Stop(const std::string& path) {
    const auto found = backups_.find(path);
    if (found == backups_.end()) return;
    bool stopping = false;
    for (auto& [kind, job] : found->second.jobs) {
        if (!job.process || !job.state.running || job.state.stopping) continue;
        const qint64 pid = job.process->processId();
        if (pid <= 0) continue;
        job.state.stopping = true;
        ::kill(static_cast<pid_t>(pid), SIGINT);
        stopping = true;
    }
    if (!stopping) return;
    AddMessage(found->second, "Stopping…");
    emit Changed(Path(path));
}

void JobBoard::StopAll() {
    for (const auto& [path, backup] : backups_) Stop(path);
}

void JobBoard::ReadErrors(const std::string& path, JobKind kind) {
    Job* job = Find(path, kind);
    if (!job || !job->process) return;
    const QByteArray bytes = job->process->readAllStandardError();
    for (const std::string& line : job->splitter.Feed(std::string_view(bytes.constData(), bytes.size())))
        Take(path, *job, line);
}

void JobBoard::Take(const std::string& path, Job& job, const std::string& line) {
    if (const auto message = ApplyEvent(job.state, ParseEventLine(line)))
        AddMessage(backups_.at(path), *message);
    if (job.state.waitUntil && !countdown_.isActive()) countdown_.start();
    emit Changed(Path(path));
}

void JobBoard::Finish(const std::string& path, JobKind kind, int exitCode, bool crashed,
                      const QString& failure) {
    Job* job = Find(path, kind);
    if (!job || !job->state.running) return;  // a failed start reports twice
    if (const auto rest = job->splitter.Rest()) Take(path, *job, *rest);
    AddMessage(backups_.at(path), FinishJob(job->state, exitCode, crashed, failure));
    job->ended = ++moments_;
    if (job->process) {
        job->process->disconnect(this);
        job->process->deleteLater();
        job->process = nullptr;
    }
    emit Changed(Path(path));
    emit Ended(Path(path), kind);
}

void JobBoard::AddMessage(Backup& backup, const QString& text) {
    const QString time = QTime::currentTime().toString("HH:mm:ss") + "  ";
    // A message of several lines reads as one under its time.
    backup.messages << time + QString(text).replace('\n', "\n" + QString(time.size(), ' '));
    if (backup.messages.size() > kMaxMessages)
        backup.messages.remove(0, backup.messages.size() - kMaxMessages);
}

void JobBoard::Tick() {
    bool waiting = false;
    for (const auto& [path, backup] : backups_) {
        const bool waits = std::any_of(backup.jobs.begin(), backup.jobs.end(), [](const auto& each) {
            return each.second.state.running && each.second.state.waitUntil;
        });
        if (!waits) continue;
        waiting = true;
        emit Changed(Path(path));
    }
    if (!waiting) countdown_.stop();
}

}  // namespace qv::library
