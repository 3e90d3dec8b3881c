// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes as the user sees them: a QMessageBox with the style's icon and
// buttons, answering with the pressed button's number.
#pragma once

#include "Messages.h"

class QMessageBox;

namespace qv {

class QtMessagePresenter : public IMessagePresenter {
public:
    int Show(const MessageBoxRequest& request) override;
};

// Sets up `box` for `request` (also used to check what a box would look like).
void PrepareMessageBox(QMessageBox& box, const MessageBoxRequest& request);

}  // namespace qv
