// SPDX-License-Identifier: GPL-3.0-or-later
// GoogleTest inside a QApplication on a private Xvfb display, so that the
// window meets a real X server, real focus and xdotool's key presses. Without
// Xvfb the tests skip and say why.
#include <gtest/gtest.h>

#include <QApplication>

#include "GuiTestSetup.h"
#include "RealKeys.h"
#include "XvfbSession.h"

int main(int argc, char** argv) {
    qv::test::XvfbSession xvfb;
    qv::test::UseXvfbSession(xvfb);
    int status = 0;
    {
        QApplication application(argc, argv);
        qv::test::PrepareTestProgram();
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    return status;
}
