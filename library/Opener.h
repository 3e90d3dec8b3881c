// SPDX-License-Identifier: GPL-3.0-or-later
// Hands a page or a folder to the desktop's opener (OpenerProgram: xdg-open)
// and watches how it ends, without waiting for it: an opener that can't be
// started or that ends with a failure is reported, so that the person learns
// the path to open by hand. An opener still running when the Library ends
// goes on (a browser it started stays open).
#pragma once

#include <sys/types.h>

#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

namespace qv::library {

class Opener : public QObject {
    Q_OBJECT

public:
    explicit Opener(QObject* parent = nullptr);

    void Open(const QString& target);

signals:
    // `why`: "xdg-open ended with exit status 3", or why it did not start.
    void Failed(const QString& target, const QString& why);

private:
    struct Child {
        pid_t pid;
        QString target;
        QString program;
    };
    void Look();

    std::vector<Child> children_;
    QTimer look_;
};

}  // namespace qv::library
