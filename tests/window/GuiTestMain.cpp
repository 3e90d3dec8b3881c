// GoogleTest inside a QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "Application.h"
#include "QtSettingsStore.h"
#include "modMain.h"
#include "modPasswordCryptor.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    qv::InitProgramResources();
    qv::UseQtSettingsStore(qv::App());
    qv::App().ScramblePassword = qv::Scramble;
    qv::App().UnscramblePassword = qv::Unscramble;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
