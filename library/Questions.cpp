// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/Questions.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace qv::library {

std::optional<QString> DialogQuestions::Ask(QWidget* owner, const Question& question) {
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(owner, question.title, question.label,
                              question.secret ? QLineEdit::Password : QLineEdit::Normal, question.proposed, &accepted);
    if (!accepted) return std::nullopt;
    return answer;
}

std::optional<int> DialogQuestions::Choose(QWidget* owner, const Choice& choice) {
    QMessageBox box(QMessageBox::Question, choice.title, choice.text, QMessageBox::NoButton, owner);
    std::vector<QAbstractButton*> buttons;
    for (const QString& text : choice.buttons)
        buttons.push_back(box.addButton(text, QMessageBox::AcceptRole));
    if (!buttons.empty()) {
        box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
        box.setEscapeButton(buttons.back());
    }
    box.exec();
    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    if (chosen == buttons.end()) return std::nullopt;
    return static_cast<int>(chosen - buttons.begin());
}

}  // namespace qv::library
