// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/JobBoard.h"

#include <QTime>
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
    for (auto& [path, slot] : slots_) {
        if (!slot.process) continue;
        slot.process->disconnect(this);
        slot.process->kill();
        slot.process->waitForFinished(5000);
    }
}

bool JobBoard::Start(const std::string& path, const CliCommand& command, const QProcessEnvironment& environment,
                     bool openWhenDone) {
    if (Running(path)) return false;
    Slot& slot = slots_[path];
    slot.state = JobState();
    slot.state.kind = command.kind;
    slot.state.running = true;
    slot.state.openWhenDone = openWhenDone;
    slot.splitter = LineSplitter();

    const QString program = CliProgram();
    AddMessage(slot, QString("%1: %2 %3").arg(JobTitle(command.kind), program.isEmpty() ? "quillvault-cli" : program,
                                               command.arguments.join(' ')));
    if (program.isEmpty()) {
        Finish(path, -1, false, "quillvault-cli was found neither beside the Library nor on PATH");
        return true;
    }

    auto* process = new QProcess(this);
    slot.process = process;
    process->setProgram(program);
    process->setArguments(command.arguments);
    process->setProcessEnvironment(environment);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    connect(process, &QProcess::readyReadStandardError, this, [this, path] { ReadErrors(path); });
    connect(process, &QProcess::finished, this, [this, path](int exitCode, QProcess::ExitStatus status) {
        ReadErrors(path);
        Finish(path, exitCode, status == QProcess::CrashExit, {});
    });
    connect(process, &QProcess::errorOccurred, this, [this, path, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) Finish(path, -1, false, process->errorString());
    });
    process->start();
    emit Changed(Path(path));
    return true;
}

bool JobBoard::Running(const std::string& path) const {
    const auto found = slots_.find(path);
    return found != slots_.end() && found->second.state.running;
}

bool JobBoard::AnyRunning() const {
    for (const auto& [path, slot] : slots_)
        if (slot.state.running) return true;
    return false;
}

const JobState* JobBoard::State(const std::string& path) const {
    const auto found = slots_.find(path);
    return found == slots_.end() ? nullptr : &found->second.state;
}

QStringList JobBoard::Messages(const std::string& path) const {
    const auto found = slots_.find(path);
    return found == slots_.end() ? QStringList() : found->second.messages;
}

void JobBoard::Note(const std::string& path, const QString& text) {
    AddMessage(slots_[path], text);
    emit Changed(Path(path));
}

void JobBoard::Stop(const std::string& path) {
    const auto found = slots_.find(path);
    if (found == slots_.end() || !found->second.process || !found->second.state.running) return;
    Slot& slot = found->second;
    const qint64 pid = slot.process->processId();
    if (pid <= 0) return;
    slot.state.stopping = true;
    AddMessage(slot, "Stopping…");
    ::kill(static_cast<pid_t>(pid), SIGINT);
    emit Changed(Path(path));
}

void JobBoard::StopAll() {
    for (auto& [path, slot] : slots_)
        if (slot.state.running && !slot.state.stopping) Stop(path);
}

void JobBoard::ReadErrors(const std::string& path) {
    const auto found = slots_.find(path);
    if (found == slots_.end() || !found->second.process) return;
    const QByteArray bytes = found->second.process->readAllStandardError();
    for (const std::string& line : found->second.splitter.Feed(std::string_view(bytes.constData(), bytes.size())))
        Take(path, line);
}

void JobBoard::Take(const std::string& path, const std::string& line) {
    Slot& slot = slots_.at(path);
    if (const auto message = ApplyEvent(slot.state, ParseEventLine(line))) AddMessage(slot, *message);
    if (slot.state.waitUntil && !countdown_.isActive()) countdown_.start();
    emit Changed(Path(path));
}

void JobBoard::Finish(const std::string& path, int exitCode, bool crashed, const QString& failure) {
    Slot& slot = slots_.at(path);
    if (!slot.state.running) return;  // a failed start reports twice
    if (const auto rest = slot.splitter.Rest()) Take(path, *rest);
    AddMessage(slot, FinishJob(slot.state, exitCode, crashed, failure));
    if (slot.process) {
        slot.process->disconnect(this);
        slot.process->deleteLater();
        slot.process = nullptr;
    }
    emit Changed(Path(path));
    emit Ended(Path(path));
}

void JobBoard::AddMessage(Slot& slot, const QString& text) {
    slot.messages << QTime::currentTime().toString("HH:mm:ss") + "  " + text;
    if (slot.messages.size() > kMaxMessages) slot.messages.remove(0, slot.messages.size() - kMaxMessages);
}

void JobBoard::Tick() {
    bool waiting = false;
    for (const auto& [path, slot] : slots_) {
        if (!slot.state.running || !slot.state.waitUntil) continue;
        waiting = true;
        emit Changed(Path(path));
    }
    if (!waiting) countdown_.stop();
}

}  // namespace qv::library
