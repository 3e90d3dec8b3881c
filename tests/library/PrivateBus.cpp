// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateBus.h"

#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>

namespace qv::test {

namespace {

constexpr int kStartMs = 20'000;

// Waits until `process` has printed a whole line; answers it without its line break.
QString FirstLine(QProcess& process) {
    QByteArray seen;
    const bool said = QTest::qWaitFor(
        [&] {
            seen += process.readAllStandardOutput();
            return seen.contains('\n') || process.state() == QProcess::NotRunning;
        },
        kStartMs);
    if (!said) return {};
    return QString::fromUtf8(seen.left(seen.indexOf('\n'))).trimmed();
}

void End(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

}  // namespace

PrivateBus::PrivateBus(const QString& folder) {
    const QString program = QStandardPaths::findExecutable("dbus-daemon");
    if (program.isEmpty()) {
        failure_ = "dbus-daemon is not installed (scripts/setup installs it)";
        return;
    }
    daemon_ = std::make_unique<QProcess>();
    daemon_->start(program, {"--session", "--nofork", "--nopidfile", "--print-address=1",
                             "--address=unix:path=" + folder + "/bus"});
    address_ = FirstLine(*daemon_);
    if (address_.isEmpty())
        failure_ = "dbus-daemon did not start: " + QString::fromUtf8(daemon_->readAllStandardError());
}

PrivateBus::~PrivateBus() {
    for (auto& program : programs_) End(*program);
    if (daemon_) End(*daemon_);
}

bool PrivateBus::Start(const QString& program, const QStringList& arguments, const QString& readyLine) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", address_);
    process->setProcessEnvironment(environment);
    process->start(program, arguments);
    const bool ready = FirstLine(*process) == readyLine;
    programs_.push_back(std::move(process));
    return ready;
}

}  // namespace qv::test
