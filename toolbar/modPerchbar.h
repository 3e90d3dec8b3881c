// SPDX-License-Identifier: GPL-3.0-or-later
// The optional link to the companion toolbar, reached over the session bus
// when it runs. Every failure is ignored: without the toolbar nothing changes.
#pragma once

class QWidget;

namespace qv {

void ToolbarShow();
void ToolbarMarkForm(QWidget* window);
void ToolbarUnMarkForm(QWidget* window);

}  // namespace qv
