// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/QtMessagePresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "widgets/ReturnFocus.h"

namespace qv {

namespace {

struct Choice {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<Choice> ChoicesFor(int style) {
    switch (style & 0x0F) {
        case mbOKCancel: return {{QMessageBox::Ok, mrOK}, {QMessageBox::Cancel, mrCancel}};
        case mbAbortRetryIgnore:
            return {{QMessageBox::Abort, mrAbort}, {QMessageBox::Retry, mrRetry}, {QMessageBox::Ignore, mrIgnore}};
        case mbYesNoCancel: return {{QMessageBox::Yes, mrYes}, {QMessageBox::No, mrNo}, {QMessageBox::Cancel, mrCancel}};
        case mbYesNo: return {{QMessageBox::Yes, mrYes}, {QMessageBox::No, mrNo}};
        case mbRetryCancel: return {{QMessageBox::Retry, mrRetry}, {QMessageBox::Cancel, mrCancel}};
        default: return {{QMessageBox::Ok, mrOK}};
    }
}

QMessageBox::Icon IconFor(int style) {
    switch (style & 0x70) {
        case mbCritical: return QMessageBox::Critical;
        case mbQuestion: return QMessageBox::Question;
        case mbExclamation: return QMessageBox::Warning;
        case mbInformation: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

}  // namespace

void PrepareMessageBox(QMessageBox& box, const MessageBoxRequest& request) {
    box.setWindowTitle(QString::fromStdString(request.Title));
    box.setText(QString::fromStdString(request.Text).replace("\r\n", "\n"));
    box.setIcon(IconFor(request.Style));
    QMessageBox::StandardButtons buttons;
    for (const Choice& choice : ChoicesFor(request.Style)) buttons |= choice.button;
    box.setStandardButtons(buttons);
    // The first button is the default, as the user of such boxes expects.
    box.setDefaultButton(ChoicesFor(request.Style).front().button);
}

int QtMessagePresenter::Show(const MessageBoxRequest& request) {
    QWidget* owner = QApplication::activeWindow();
    const ReturnFocusToOwner returnFocus(owner);
    QMessageBox box(owner);
    PrepareMessageBox(box, request);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const Choice& choice : ChoicesFor(request.Style))
        if (choice.button == pressed) return choice.answer;
    return CautiousAnswer(request.Style);
}

}  // namespace qv
