// SPDX-License-Identifier: GPL-3.0-or-later
// Gives the keyboard back to the window a modal box was shown over, once the
// box has closed. A window manager does this on its own; without one (a bare
// X session) nobody does, and the owner would go on taking keys without ever
// being told it has the focus.
#pragma once

#include <QPointer>
#include <QWidget>

namespace qv {

class ReturnFocusToOwner {
public:
    explicit ReturnFocusToOwner(QWidget* owner) : owner_(owner ? owner->window() : nullptr) {}
    ~ReturnFocusToOwner() {
        if (owner_ && owner_->isVisible()) owner_->activateWindow();
    }
    ReturnFocusToOwner(const ReturnFocusToOwner&) = delete;
    ReturnFocusToOwner& operator=(const ReturnFocusToOwner&) = delete;

private:
    QPointer<QWidget> owner_;
};

}  // namespace qv
