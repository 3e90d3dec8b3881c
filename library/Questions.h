// SPDX-License-Identifier: GPL-3.0-or-later
// The few things the Library asks in a line of text (a password a run needs,
// the address of a backup that does not name its blog) or with a choice of
// buttons (what to do with a file that is there already). A dialog for
// people, a script for tests.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace qv::library {

struct Question {
    QString title;
    QString label;
    QString proposed;
    bool secret = false;  // a password: shown as dots
};

struct Choice {
    QString title;
    QString text;
    QStringList buttons;  // "&Extend it", "&Replace it", ...; the first is the default, Escape is the last
};

class QuestionPresenter {
public:
    virtual ~QuestionPresenter() = default;
    // The answer, or nothing when the user cancelled.
    virtual std::optional<QString> Ask(QWidget* owner, const Question& question) = 0;
    // The index of the button chosen, or nothing when the user closed the box.
    virtual std::optional<int> Choose(QWidget* owner, const Choice& choice) = 0;
};

class DialogQuestions : public QuestionPresenter {
public:
    std::optional<QString> Ask(QWidget* owner, const Question& question) override;
    std::optional<int> Choose(QWidget* owner, const Choice& choice) override;
};

}  // namespace qv::library
