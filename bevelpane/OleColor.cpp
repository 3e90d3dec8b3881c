// SPDX-License-Identifier: GPL-3.0-or-later
#include "OleColor.h"

namespace Bevelpane {
namespace {

struct SystemColorRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The desktop palette's nearest counterpart of each system colour index; -1 marks the one index
// that has never named a colour.
constexpr int kSystemColorCount = 31;
constexpr SystemColorRole kSystemColors[kSystemColorCount] = {
    {QPalette::Active, QPalette::Button},             // 0 scroll bar
    {QPalette::Active, QPalette::Window},             // 1 desktop
    {QPalette::Active, QPalette::Highlight},          // 2 active caption
    {QPalette::Inactive, QPalette::Highlight},        // 3 inactive caption
    {QPalette::Active, QPalette::Window},             // 4 menu
    {QPalette::Active, QPalette::Base},               // 5 window
    {QPalette::Active, QPalette::Shadow},             // 6 window frame
    {QPalette::Active, QPalette::WindowText},         // 7 menu text
    {QPalette::Active, QPalette::Text},               // 8 window text
    {QPalette::Active, QPalette::HighlightedText},    // 9 caption text
    {QPalette::Active, QPalette::Button},             // 10 active border
    {QPalette::Inactive, QPalette::Button},           // 11 inactive border
    {QPalette::Active, QPalette::Mid},                // 12 application workspace
    {QPalette::Active, QPalette::Highlight},          // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},    // 14 highlighted text
    {QPalette::Active, QPalette::Button},             // 15 button face
    {QPalette::Active, QPalette::Dark},               // 16 3D shadow
    {QPalette::Disabled, QPalette::Text},             // 17 grey text
    {QPalette::Active, QPalette::ButtonText},         // 18 button text
    {QPalette::Inactive, QPalette::HighlightedText},  // 19 inactive caption text
    {QPalette::Active, QPalette::Light},              // 20 3D highlight
    {QPalette::Active, QPalette::Shadow},             // 21 3D dark shadow
    {QPalette::Active, QPalette::Midlight},           // 22 3D light
    {QPalette::Active, QPalette::ToolTipText},        // 23 tool tip text
    {QPalette::Active, QPalette::ToolTipBase},        // 24 tool tip background
    {QPalette::Active, QPalette::NoRole},             // 25 unused
    {QPalette::Active, QPalette::Link},               // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},          // 27 active caption gradient
    {QPalette::Inactive, QPalette::Highlight},        // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},          // 29 menu highlight
    {QPalette::Active, QPalette::Window},             // 30 menu bar
};

}  // namespace

std::optional<QColor> ResolveOleColor(OLE_COLOR colour, const QPalette& palette) {
    if (colour & 0x80000000u) {
        const unsigned index = colour & 0xFFu;
        if (index >= kSystemColorCount || kSystemColors[index].role == QPalette::NoRole) return std::nullopt;
        QColor resolved = palette.color(kSystemColors[index].group, kSystemColors[index].role);
        // The panel paints its whole area from scratch, so nothing behind it may show through.
        resolved.setAlpha(255);
        return resolved;
    }
    return QColor(int(colour & 0xFF), int(colour >> 8 & 0xFF), int(colour >> 16 & 0xFF));
}

}  // namespace Bevelpane
