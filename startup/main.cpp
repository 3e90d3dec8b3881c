// SPDX-License-Identifier: GPL-3.0-or-later
// quillvault: the window program.
#include <QApplication>

#include "Application.h"
#include "Messages.h"
#include "modMain.h"
#include "passwords/modPasswordCryptor.h"
#include "qtcore/QtSettingsStore.h"
#include "widgets/QtMessagePresenter.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillvault");
    QApplication::setOrganizationName("Quarrytide");

    qv::Application& app = qv::App();
    qv::UseQtSettingsStore(app);
    app.ScramblePassword = qv::Scramble;
    app.UnscramblePassword = qv::Unscramble;
    qv::SharedMessageUtility().SetPresenter(std::make_shared<qv::QtMessagePresenter>());

    if (!qv::Main()) return 1;
    return QApplication::exec();
}
