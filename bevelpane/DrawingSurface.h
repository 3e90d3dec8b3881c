// SPDX-License-Identifier: GPL-3.0-or-later
// The three drawing primitives the panel paints with, on whole pixels of its client area.
#pragma once

#include <QColor>
#include <QRect>
#include <QSize>

#include "bevelpane_export.h"

class QPainter;

namespace Bevelpane {

// Everything drawn is clipped to the client area (0,0)-(width-1,height-1), whatever the
// painter's own clip, so coordinates past the far edge or below zero are harmless. A box whose
// far corner lies before its near corner covers the same pixels as with its corners swapped.
class BEVELPANE_EXPORT DrawingSurface {
public:
    DrawingSurface(QPainter& painter, QSize clientArea);

    QSize ClientArea() const { return clientArea_.size(); }

    // Every pixel with x1 <= x <= x2 and y1 <= y <= y2.
    void FillBox(int x1, int y1, int x2, int y2, const QColor& colour);
    // The 1-pixel outline of the same rectangle; the inside is untouched.
    void OutlineBox(int x1, int y1, int x2, int y2, const QColor& colour);
    // From (x1,y1) up to but not including (x2,y2); a line to its own start draws nothing.
    void Line(int x1, int y1, int x2, int y2, const QColor& colour);

private:
    void Fill(const QRect& pixels, const QColor& colour);

    QPainter& painter_;
    QRect clientArea_;
};

}  // namespace Bevelpane
