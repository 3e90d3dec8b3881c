// SPDX-License-Identifier: GPL-3.0-or-later
// The few things the Library asks in a line of text: a password a run needs,
// the address of a backup that does not name its blog. A dialog for people,
// a script for tests.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace qv::library {

struct Question {
    QString title;
    QString label;
    QString proposed;
    bool secret = false;  // a password: shown as dots
};

class QuestionPresenter {
public:
    virtual ~QuestionPresenter() = default;
    // The answer, or nothing when the user cancelled.
    virtual std::optional<QString> Ask(QWidget* owner, const Question& question) = 0;
};

class DialogQuestions : public QuestionPresenter {
public:
    std::optional<QString> Ask(QWidget* owner, const Question& question) override;
};

}  // namespace qv::library
