// SPDX-License-Identifier: GPL-3.0-or-later
// The Library on a private Xvfb display, pressed with xdotool's keys as a
// person presses them; the shared read-API service is linked in. Without Xvfb
// or xdotool the tests skip and say why.
#include <gtest/gtest.h>

#include <QApplication>

#include "RealKeys.h"
#include "XvfbSession.h"

int main(int argc, char** argv) {
    qv::test::XvfbSession xvfb;
    qv::test::UseXvfbSession(xvfb);
    int status = 0;
    {
        QApplication application(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    return status;
}
