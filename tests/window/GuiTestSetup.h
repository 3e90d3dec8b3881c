// SPDX-License-Identifier: GPL-3.0-or-later
// What every window test program sets up once its QApplication exists, as the
// program does: resources, look, settings store and password scrambling.
#pragma once

#include "Application.h"
#include "modMain.h"
#include "passwords/modPasswordCryptor.h"
#include "qtcore/QtSettingsStore.h"

namespace qv::test {

inline void PrepareTestProgram() {
    InitProgramResources();
    InitCommonControls();
    UseQtSettingsStore(App());
    App().ScramblePassword = Scramble;
    App().UnscramblePassword = Unscramble;
}

}  // namespace qv::test
