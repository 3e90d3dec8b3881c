// SPDX-License-Identifier: GPL-3.0-or-later
// The face of the window and of every box and dialog it opens.
#pragma once

#include <QFont>
#include <QStringList>

namespace qv {

// The faces the window looks for, best first: Tahoma, which it was laid out
// for, then sans-serif faces of similar width.
QStringList PreferredWindowFaces();

// The first preferred face that is installed (else the system's), at the
// largest size up to the designed 9 points at which every caption of the
// window fits its control on this screen.
QFont WindowFont();

}  // namespace qv
