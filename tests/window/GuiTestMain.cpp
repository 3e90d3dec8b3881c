// SPDX-License-Identifier: GPL-3.0-or-later
// GoogleTest inside a QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "GuiTestSetup.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    qv::test::PrepareTestProgram();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
