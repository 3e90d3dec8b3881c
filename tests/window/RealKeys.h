// SPDX-License-Identifier: GPL-3.0-or-later
// Key presses that reach the program the way a person's do: through a private
// X server (XvfbSession) and xdotool.
#pragma once

#include <QString>
#include <QStringList>

#include "XvfbSession.h"

namespace qv::test {

// Before the QApplication: its display is the session's Xvfb, or offscreen
// (and the tests that need keys skip) when there is none.
void UseXvfbSession(const XvfbSession& xvfb);

// Why there is no X server in this run; empty when there is one.
QString NoXServerReason();

// Why real key presses cannot be sent in this run; empty when they can.
QString NoRealKeysReason();

// Sends the keys with xdotool, e.g. {"key", "shift+F1"} or {"type", "new.example"},
// and keeps processing events until xdotool is done; answers whether it ran.
bool RealKeys(const QStringList& arguments);

}  // namespace qv::test

// Skips the current test when there is no X server.
#define SKIP_WITHOUT_X_SERVER()                                                      \
    do {                                                                             \
        if (const QString reason = ::qv::test::NoXServerReason(); !reason.isEmpty()) \
            GTEST_SKIP() << reason.toStdString();                                    \
    } while (false)

// Skips the current test when there is no X server or no xdotool.
#define SKIP_WITHOUT_REAL_KEYS()                                                      \
    do {                                                                              \
        if (const QString reason = ::qv::test::NoRealKeysReason(); !reason.isEmpty()) \
            GTEST_SKIP() << reason.toStdString();                                     \
    } while (false)
