// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for the panel tests: distinct colours per property, pictures as letter grids.
#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "OleColor.h"
#include "Panel.h"

namespace PanelTest {

// One letter and one direct colour per colour property, so every pixel can be attributed.
struct Swatch {
    char letter;
    OLE_COLOR colour;
};
constexpr Swatch kBack{'B', Bevelpane::OleColorFromRgb(0xC0, 0x00, 0x00)};
constexpr Swatch kAmbient{'A', Bevelpane::OleColorFromRgb(0x00, 0xC0, 0x00)};
constexpr Swatch kFlatShadow{'S', Bevelpane::OleColorFromRgb(0x00, 0x00, 0xC0)};
constexpr Swatch kFlatFrame{'F', Bevelpane::OleColorFromRgb(0x00, 0xC0, 0xC0)};
constexpr Swatch kLight3D{'L', Bevelpane::OleColorFromRgb(0xC0, 0xC0, 0x00)};
constexpr Swatch kHighlight3D{'H', Bevelpane::OleColorFromRgb(0xC0, 0x00, 0xC0)};
constexpr Swatch kShadow3D{'D', Bevelpane::OleColorFromRgb(0x80, 0x80, 0x80)};
constexpr Swatch kDarkShadow3D{'K', Bevelpane::OleColorFromRgb(0x20, 0x20, 0x20)};
constexpr Swatch kAllSwatches[] = {kBack,    kAmbient,     kFlatShadow, kFlatFrame,
                                   kLight3D, kHighlight3D, kShadow3D,   kDarkShadow3D};

// A pixel no swatch has, for whatever the panel left untouched.
constexpr QRgb kUntouched = 0xFF123456;

inline void UseSwatches(Bevelpane::Panel& panel) {
    panel.SetBackColor(kBack.colour);
    panel.SetAmbientBackColor(kAmbient.colour);
    panel.SetFlatShadowColor(kFlatShadow.colour);
    panel.SetFlatFrameColor(kFlatFrame.colour);
    panel.SetLight3DColor(kLight3D.colour);
    panel.SetHighlight3DColor(kHighlight3D.colour);
    panel.SetShadow3DColor(kShadow3D.colour);
    panel.SetDarkShadow3DColor(kDarkShadow3D.colour);
}

// Each row of the picture as swatch letters; '.' untouched, '?' a colour of no swatch.
inline std::vector<std::string> Letters(const QImage& image) {
    std::vector<std::string> rows;
    for (int y = 0; y < image.height(); ++y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            char letter = pixel == kUntouched ? '.' : '?';
            for (const Swatch& swatch : kAllSwatches) {
                if (pixel == Bevelpane::ResolveOleColor(swatch.colour, QPalette())->rgb())
                    letter = swatch.letter;
            }
            row += letter;
        }
        rows.push_back(row);
    }
    return rows;
}

// What one paint of the panel at its current size puts on an untouched picture.
inline QImage Render(Bevelpane::Panel& panel) {
    QImage image(panel.size(), QImage::Format_RGB32);
    image.fill(kUntouched);
    panel.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);  // no window background
    return image;
}

}  // namespace PanelTest
