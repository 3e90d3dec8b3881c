// SPDX-License-Identifier: GPL-3.0-or-later
// The support functions that work on windows. A window handle here is the
// widget itself.
#pragma once

class QLineEdit;
class QWidget;

namespace qv {

// The application's own owner window; there is none here, so the main window
// stands in once it exists (null before).
QWidget* skGetThunderMainHandle();
// Gives the window (or, for null, every window of the application) the icon
// resource `name` in all its sizes.
void skSetWindowResIconAll(QWidget* window, const char* name);
// Centres the window on the screen it is on.
void skCenterFormEx(QWidget* window, int reserved);
// Selects the whole text of the box.
void skHighlightText(QLineEdit* box);

}  // namespace qv
