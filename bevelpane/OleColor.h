// SPDX-License-Identifier: GPL-3.0-or-later
// OLE colours as the panel's colour properties hold them, and their resolution when drawn.
#pragma once

#include <QColor>
#include <QPalette>
#include <optional>

#include "bevelpane_export.h"
#include "controls/ControlInterfaces.h"

namespace Bevelpane {

// System colours the panel's defaults use; the low byte is the system colour index.
namespace SystemColor {
constexpr OLE_COLOR WindowFrame = 0x80000006;
constexpr OLE_COLOR ButtonFace = 0x8000000F;
constexpr OLE_COLOR Shadow3D = 0x80000010;
constexpr OLE_COLOR Highlight3D = 0x80000014;
constexpr OLE_COLOR DarkShadow3D = 0x80000015;
constexpr OLE_COLOR Light3D = 0x80000016;
}  // namespace SystemColor

// The colour to draw with: 0x00BBGGRR directly (the high byte ignored), or, with the top bit set,
// the palette colour standing in for the system colour index in the low byte. Empty for an
// index that names no system colour.
BEVELPANE_EXPORT std::optional<QColor> ResolveOleColor(OLE_COLOR colour, const QPalette& palette);

// A direct OLE colour for an RGB colour; convenient for hosts and tests.
constexpr OLE_COLOR OleColorFromRgb(int red, int green, int blue) {
    return OLE_COLOR(blue & 0xFF) << 16 | OLE_COLOR(green & 0xFF) << 8 | OLE_COLOR(red & 0xFF);
}

}  // namespace Bevelpane
