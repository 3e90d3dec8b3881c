// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealKeys.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace qv::test {

namespace {
QString& NoXServer() {
    static QString reason;
    return reason;
}
QString& NoXdotool() {
    static QString reason;
    return reason;
}
}  // namespace

void UseXvfbSession(const XvfbSession& xvfb) {
    if (xvfb.Display().empty()) {
        NoXServer() = QString::fromStdString(xvfb.Failure());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return;
    }
    qputenv("DISPLAY", QByteArray::fromStdString(xvfb.Display()));
    qputenv("QT_QPA_PLATFORM", "xcb");
    if (QStandardPaths::findExecutable("xdotool").isEmpty())
        NoXdotool() = "xdotool is not installed (scripts/setup --test installs it)";
}

QString NoXServerReason() { return NoXServer(); }
QString NoRealKeysReason() { return NoXServer().isEmpty() ? NoXdotool() : NoXServer(); }

bool RealKeys(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start("xdotool", arguments);
    if (!xdotool.waitForStarted(5000)) return false;
    return QTest::qWaitFor([&] { return xdotool.state() == QProcess::NotRunning; }, 10000) &&
           xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

}  // namespace qv::test
