// SPDX-License-Identifier: GPL-3.0-or-later
// What the panel paints, pixel for pixel, for every border style and at sizes down to 1x1.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>
#include <functional>

#include "DrawingSurface.h"
#include "PanelTestSupport.h"

using namespace Bevelpane;
using namespace PanelTest;
using Picture = std::vector<std::string>;

namespace {

Picture Paint(PanelBorderStyle_Const style, int width, int height) {
    Panel panel;
    UseSwatches(panel);
    panel.SetBorderStyle(style);
    panel.resize(width, height);
    return Letters(Render(panel));
}

}  // namespace

// B back, A ambient, S flat shadow, F flat frame, L light, H highlight, D shadow, K dark shadow.

TEST(PanelPainting, At10x6EachStyleShowsEachColourExactlyWhereItBelongs) {
    // Flat: the frame on the 28 border pixels. Flat shadow: ambient only in two 2x2 corners.
    // Inset: the outer corners top right and bottom left and the inner ones take the bottom-right
    // colours. Raised: the inset with its colours exchanged.
    const std::pair<PanelBorderStyle_Const, Picture> cases[] = {
        {pbsNone, Picture(6, "BBBBBBBBBB")},
        {pbsFlat, {"FFFFFFFFFF", "FBBBBBBBBF", "FBBBBBBBBF", "FBBBBBBBBF", "FBBBBBBBBF", "FFFFFFFFFF"}},
        {pbsFlatShadow, {"FFFFFFFFAA", "FBBBBBBFAA", "FBBBBBBFSS", "FFFFFFFFSS", "AASSSSSSSS", "AASSSSSSSS"}},
        {pbs3DInset, {"KKKKKKKKKH", "KDDDDDDDLH", "KDBBBBBBLH", "KDBBBBBBLH", "KLLLLLLLLH", "HHHHHHHHHH"}},
        {pbs3DRaised, {"HHHHHHHHHK", "HLLLLLLLDK", "HLBBBBBBDK", "HLBBBBBBDK", "HDDDDDDDDK", "KKKKKKKKKK"}},
    };
    for (const auto& [style, picture] : cases) EXPECT_EQ(Paint(style, 10, 6), picture) << "style " << style;
}

TEST(PanelPainting, FlatShadowAmbientChangeTouchesOnlyTheCorners) {
    Panel panel;
    UseSwatches(panel);
    panel.SetBorderStyle(pbsFlatShadow);
    panel.resize(10, 6);
    const QImage before = Render(panel);
    panel.SetAmbientBackColor(OleColorFromRgb(1, 2, 3));
    QImage after = Render(panel);
    for (QPoint corner : {QPoint(8, 0), QPoint(0, 4)}) {
        for (QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
            EXPECT_EQ(after.pixel(corner + p), qRgb(1, 2, 3));
            after.setPixel(corner + p, before.pixel(corner + p));
        }
    }
    EXPECT_EQ(after, before);
}

TEST(PanelPainting, At4x4TheBevelsLeaveNoFace) {
    EXPECT_EQ(Paint(pbs3DInset, 4, 4), (Picture{"KKKH", "KDLH", "KLLH", "HHHH"}));
    EXPECT_EQ(Paint(pbs3DRaised, 4, 4), (Picture{"HHHK", "HLDK", "HDDK", "KKKK"}));
    EXPECT_EQ(Paint(pbsFlatShadow, 4, 4), (Picture{"FFAA", "FFAA", "AASS", "AASS"}));
    EXPECT_EQ(Paint(pbsFlat, 4, 4), (Picture{"FFFF", "FBBF", "FBBF", "FFFF"}));
}

// Below 4 pixels boxes turn inside out; a reversed box covers the same pixels as a normal one.
TEST(PanelPainting, At3x2BoxesTurnedInsideOutStillGiveEachPixelOneColour) {
    EXPECT_EQ(Paint(pbsNone, 3, 2), (Picture{"BBB", "BBB"}));
    EXPECT_EQ(Paint(pbsFlat, 3, 2), (Picture{"FFF", "FFF"}));
    EXPECT_EQ(Paint(pbsFlatShadow, 3, 2), (Picture{"FAA", "AAA"}));
    EXPECT_EQ(Paint(pbs3DInset, 3, 2), (Picture{"KKH", "HHH"}));
    EXPECT_EQ(Paint(pbs3DRaised, 3, 2), (Picture{"HHK", "KKK"}));
}

TEST(PanelPainting, At1x1EveryStylePaintsItsOnePixel) {
    EXPECT_EQ(Paint(pbsNone, 1, 1), Picture{"B"});
    EXPECT_EQ(Paint(pbsFlat, 1, 1), Picture{"F"});
    EXPECT_EQ(Paint(pbsFlatShadow, 1, 1), Picture{"F"});
    EXPECT_EQ(Paint(pbs3DInset, 1, 1), Picture{"H"});
    EXPECT_EQ(Paint(pbs3DRaised, 1, 1), Picture{"K"});
}

TEST(PanelPainting, ThinPanelsOfEveryStyleCoverTheirWholeArea) {
    for (int style = pbsNone; style <= pbs3DRaised; ++style) {
        for (int width = 1; width <= 4; ++width) {
            for (int height = 1; height <= 4; ++height) {
                for (const std::string& row : Paint(PanelBorderStyle_Const(style), width, height)) {
                    EXPECT_EQ(row.find_first_not_of("BASFLHDK"), std::string::npos)
                        << "style " << style << " at " << width << "x" << height << ": " << row;
                }
            }
        }
    }
}

TEST(PanelPainting, ResizeRepaintsAtOnceWithTheBorderOnTheNewEdges) {
    QWidget window;
    window.resize(40, 30);
    auto& panel = *new Panel(&window);
    UseSwatches(panel);
    panel.SetBorderStyle(pbs3DInset);
    panel.setGeometry(3, 3, 10, 6);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    int paints = 0;
    QObject::connect(&panel, &Panel::Painted, [&paints] { ++paints; });
    panel.resize(12, 5);
    EXPECT_EQ(paints, 1);
    const Picture expected{
        "KKKKKKKKKKKH", "KDDDDDDDDDLH", "KDBBBBBBBBLH", "KLLLLLLLLLLH", "HHHHHHHHHHHH",
    };
    EXPECT_EQ(Letters(Render(panel)), expected);
}

TEST(PanelPainting, SystemColoursAreResolvedFromThePaletteWhenDrawn) {
    Panel panel;
    panel.InitProperties();
    panel.SetBorderStyle(pbsFlat);
    panel.resize(5, 4);
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    palette.setColor(QPalette::Shadow, QColor(40, 50, 60));
    panel.setPalette(palette);
    QImage image = Render(panel);
    EXPECT_EQ(image.pixel(0, 0), qRgb(40, 50, 60));  // window frame
    EXPECT_EQ(image.pixel(2, 2), qRgb(10, 20, 30));  // button face

    // A new desktop scheme shows without touching the stored values.
    palette.setColor(QPalette::Button, QColor(70, 80, 90));
    panel.setPalette(palette);
    image = Render(panel);
    EXPECT_EQ(image.pixel(2, 2), qRgb(70, 80, 90));
    EXPECT_EQ(panel.BackColor(), SystemColor::ButtonFace);
}

TEST(PanelPainting, AnUnknownSystemColourEndsThePaintBeforeThatPrimitive) {
    Panel panel;
    UseSwatches(panel);
    panel.SetBorderStyle(pbsFlat);
    panel.SetFlatFrameColor(0x800000FF);  // index 255 names no system colour
    panel.resize(4, 3);
    // The face was drawn; the frame, whose colour failed, and nothing after it.
    EXPECT_EQ(Letters(Render(panel)), (Picture{"BBBB", "BBBB", "BBBB"}));
}

TEST(OleColor, DirectColoursAreBlueGreenRedAndUnknownSystemIndexesResolveToNothing) {
    EXPECT_EQ(ResolveOleColor(0x00FF0000, QPalette())->rgb(), qRgb(0, 0, 255));
    EXPECT_EQ(ResolveOleColor(0x7F123456, QPalette())->rgb(), qRgb(0x56, 0x34, 0x12));  // high byte ignored
    EXPECT_FALSE(ResolveOleColor(0x80000019, QPalette()).has_value());                  // 25 was never used
    EXPECT_FALSE(ResolveOleColor(0x8000001F, QPalette()).has_value());
}

// The primitives on a picture larger than their 5x4 client area, with no clip of Qt's own.
Picture DrawOnSurface(const std::function<void(DrawingSurface&)>& draw) {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(kUntouched);
    QPainter painter(&image);
    DrawingSurface surface(painter, QSize(5, 4));
    draw(surface);
    painter.end();
    Picture rows;
    for (int y = 0; y < image.height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < image.width(); ++x) rows.back() += image.pixel(x, y) == kUntouched ? '.' : '#';
    }
    return rows;
}

TEST(DrawingSurface, BoxesIncludeBothCornersOutlinesLeaveTheInsideAndBothAreClipped) {
    EXPECT_EQ(DrawOnSurface([](DrawingSurface& s) {
                  s.FillBox(2, 2, 1, 1, Qt::red);  // corners in either order
                  s.OutlineBox(3, 1, 9, 9, Qt::red);
              }),
              (Picture{"........", ".####...", ".###....", "...#....", "........", "........"}));
    EXPECT_EQ(DrawOnSurface([](DrawingSurface& s) { s.FillBox(-3, -3, 1000, 1000, Qt::red); }),
              (Picture{"#####...", "#####...", "#####...", "#####...", "........", "........"}));
}

TEST(DrawingSurface, LinesStopBeforeTheirEndInEitherDirectionAndAreClipped) {
    EXPECT_EQ(DrawOnSurface([](DrawingSurface& s) {
                  s.Line(0, 0, 3, 0, Qt::red);     // x 0..2
                  s.Line(4, 3, 1, 3, Qt::red);     // x 4..2, backwards
                  s.Line(0, 2, 0, 2, Qt::red);     // to its own start: nothing
                  s.Line(0, 1, 3, 4, Qt::red);     // slanted: (0,1) (1,2) (2,3)
                  s.Line(4, -5, 4, 100, Qt::red);  // y 0..3 inside
                  s.Line(6, 0, 6, 3, Qt::red);     // wholly outside
              }),
              (Picture{"###.#...", "#...#...", ".#..#...", "..###...", "........", "........"}));
}
