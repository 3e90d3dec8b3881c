// quillvault: the window program.
#include <QApplication>

#include "Application.h"
#include "Messages.h"
#include "QtMessagePresenter.h"
#include "QtSettingsStore.h"
#include "modMain.h"
#include "modPasswordCryptor.h"

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
