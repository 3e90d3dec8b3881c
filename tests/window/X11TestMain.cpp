// SPDX-License-Identifier: GPL-3.0-or-later
// GoogleTest inside a QApplication on a private Xvfb display, so that the
// window meets a real X server, real focus and xdotool's key presses. Without
// Xvfb the tests skip and say why.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "GuiTestSetup.h"
#include "RealKeys.h"
#include "XvfbSession.h"

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

int main(int argc, char** argv) {
    qv::test::XvfbSession xvfb;
    if (xvfb.Display().empty()) {
        qv::test::NoXServer() = QString::fromStdString(xvfb.Failure());
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        qputenv("DISPLAY", QByteArray::fromStdString(xvfb.Display()));
        qputenv("QT_QPA_PLATFORM", "xcb");
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            qv::test::NoXdotool() = "xdotool is not installed (scripts/setup --test installs it)";
    }
    int status = 0;
    {
        QApplication application(argc, argv);
        qv::test::PrepareTestProgram();
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    return status;
}
