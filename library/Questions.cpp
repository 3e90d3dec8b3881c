// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/Questions.h"

#include <QInputDialog>

namespace qv::library {

std::optional<QString> DialogQuestions::Ask(QWidget* owner, const Question& question) {
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(owner, question.title, question.label,
                              question.secret ? QLineEdit::Password : QLineEdit::Normal, question.proposed, &accepted);
    if (!accepted) return std::nullopt;
    return answer;
}

}  // namespace qv::library
