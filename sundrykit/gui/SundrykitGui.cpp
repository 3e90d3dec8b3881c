// SPDX-License-Identifier: GPL-3.0-or-later
#include "SundrykitGui.h"

#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>

namespace qv {

QWidget* skGetThunderMainHandle() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == "frmMain") return window;
    return nullptr;
}

void skSetWindowResIconAll(QWidget* window, const char* name) {
    // Icon resources live under :/icons/<name>/, one PNG per size.
    QIcon icon;
    for (int size : {16, 32, 48}) icon.addFile(QString(":/icons/%1/%2.png").arg(name).arg(size), QSize(size, size));
    if (window)
        window->setWindowIcon(icon);
    else
        QApplication::setWindowIcon(icon);
}

void skCenterFormEx(QWidget* window, int) {
    QScreen* screen = window->screen() ? window->screen() : QApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

void skHighlightText(QLineEdit* box) { box->selectAll(); }

}  // namespace qv
