// SPDX-License-Identifier: GPL-3.0-or-later
#include "DrawingSurface.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace Bevelpane {
namespace {

QRect Box(int x1, int y1, int x2, int y2) {
    return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2)));
}

}  // namespace

DrawingSurface::DrawingSurface(QPainter& painter, QSize clientArea)
    : painter_(painter), clientArea_(QPoint(0, 0), clientArea) {}

void DrawingSurface::Fill(const QRect& pixels, const QColor& colour) {
    const QRect clipped = pixels & clientArea_;
    if (!clipped.isEmpty()) painter_.fillRect(clipped, colour);
}

void DrawingSurface::FillBox(int x1, int y1, int x2, int y2, const QColor& colour) {
    Fill(Box(x1, y1, x2, y2), colour);
}

void DrawingSurface::OutlineBox(int x1, int y1, int x2, int y2, const QColor& colour) {
    const QRect box = Box(x1, y1, x2, y2);
    Fill(QRect(box.left(), box.top(), box.width(), 1), colour);
    Fill(QRect(box.left(), box.bottom(), box.width(), 1), colour);
    Fill(QRect(box.left(), box.top(), 1, box.height()), colour);
    Fill(QRect(box.right(), box.top(), 1, box.height()), colour);
}

void DrawingSurface::Line(int x1, int y1, int x2, int y2, const QColor& colour) {
    if (x1 == x2 && y1 == y2) return;
    if (y1 == y2) {
        const int last = x2 > x1 ? x2 - 1 : x2 + 1;
        Fill(Box(x1, y1, last, y1), colour);
        return;
    }
    if (x1 == x2) {
        const int last = y2 > y1 ? y2 - 1 : y2 + 1;
        Fill(Box(x1, y1, x1, last), colour);
        return;
    }
    // Slanted lines: Bresenham, stopping before the end point like the straight ones.
    const int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
    const int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    for (int x = x1, y = y1; x != x2 || y != y2;) {
        Fill(QRect(x, y, 1, 1), colour);
        const int doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            x += sx;
        }
        if (doubled <= dx) {
            error += dx;
            y += sy;
        }
    }
}

}  // namespace Bevelpane
