// SPDX-License-Identifier: GPL-3.0-or-later
// quillvault-library: every backup at home on the desktop.
#include <QApplication>
#include <QIcon>

#include "Messages.h"
#include "Sundrykit.h"
#include "catalog/BackupCatalog.h"
#include "library/LibraryWindow.h"
#include "widgets/QtMessagePresenter.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillvault Library");
    QApplication::setOrganizationName("Quarrytide");
    QGuiApplication::setDesktopFileName("quillvault-library");
    // The desktop's installed icon when there is one, else the one built in.
    QIcon icon;
    for (const char* size : {"16", "32", "48", "64"}) icon.addFile(QString(":/library/%1.png").arg(size));
    QApplication::setWindowIcon(QIcon::fromTheme("quillvault-library", icon));
    qv::SharedMessageUtility().SetPresenter(std::make_shared<qv::QtMessagePresenter>());

    const qv::Result<std::string> folder = qv::catalog::UserDataFolder();
    if (!folder || !qv::skCreateComplexDirectory(*folder)) {
        const std::string where = folder ? *folder : folder.status().text();
        qv::MsgBox(where + "\r\n\r\nCan't create or open data folder.", qv::mbCritical, "Quillvault Library");
        return 1;
    }
    qv::library::LibraryWindow window(*folder);
    window.show();
    window.activateWindow();
    return QApplication::exec();
}
