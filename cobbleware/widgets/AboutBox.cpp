// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/AboutBox.h"

#include <QMessageBox>
#include <QPixmap>
#include <QWidget>

#include "Sundrykit.h"
#include "widgets/ReturnFocus.h"

namespace qv {

void AboutBox::Show(QWidget* owner, const Application& app, const std::string& extraText, const QPixmap* picture,
                    const std::string& dedication) {
    const ReturnFocusToOwner returnFocus(owner);
    QMessageBox box(owner);
    box.setObjectName("AboutBox");
    box.setWindowTitle(QString::fromStdString("About " + app.ProductName));
    QString text = "<b>" + QString::fromStdString(app.Title).toHtmlEscaped() + "</b><br>Version " +
                   QString::fromStdString(VersionText(app));
    if (!app.ExeFolder.empty())
        text += "<br><small>" + QString::fromStdString(skBuildFileName(app.ExeFolder, app.ExeName)).toHtmlEscaped() +
                "</small>";
    if (!extraText.empty()) text += "<p>" + QString::fromStdString(extraText).toHtmlEscaped() + "</p>";
    if (!dedication.empty()) text += "<p><i>" + QString::fromStdString(dedication).toHtmlEscaped() + "</i></p>";
    box.setTextFormat(Qt::RichText);
    box.setText(text);
    if (picture && !picture->isNull())
        box.setIconPixmap(*picture);
    else if (owner)
        box.setIconPixmap(owner->windowIcon().pixmap(48, 48));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

AboutBox& SharedAboutBox() {
    static AboutBox shared;
    return shared;
}

}  // namespace qv
