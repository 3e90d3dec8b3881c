// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFont.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <vector>

#include "Design.h"

namespace qv {

namespace {

constexpr double kDesignedPoints = 9;
constexpr double kSmallestPoints = 6;
constexpr double kPointStep = 0.25;

struct Caption {
    ControlKind kind;
    QString text;
    int width;  // twips
};

// Every caption the window can show, with the room its control has.
std::vector<Caption> Captions() {
    std::vector<Caption> captions;
    for (const ControlDesign& control : kDesign)
        if (!control.caption.empty())
            captions.push_back({control.kind,
                                QString::fromUtf8(control.caption.data(), control.caption.size()),
                                control.width});
    // The Exit button says "Cancel" while a run is active.
    captions.push_back({ControlKind::Button, "Cancel", Designed("cmdCancel").width});
    return captions;
}

// What a caption set in `font` needs across, in pixels, as its control asks
// for it; a button's text gets the style's padding but not the style's
// smallest text button, which the design's narrow "H!" buttons never meant.
int NeededWidth(const Caption& caption, const QFont& font) {
    switch (caption.kind) {
        case ControlKind::Label: {
            QLabel probe(caption.text);
            probe.setFont(font);
            return probe.sizeHint().width();
        }
        case ControlKind::CheckBox: {
            QCheckBox probe(caption.text);
            probe.setFont(font);
            return probe.sizeHint().width();
        }
        case ControlKind::Frame: {
            QGroupBox probe(caption.text);
            probe.setFont(font);
            return probe.minimumSizeHint().width();
        }
        case ControlKind::Button: {
            const QStyle* style = QApplication::style();
            return QFontMetrics(font).horizontalAdvance(caption.text) +
                   style->pixelMetric(QStyle::PM_ButtonMargin) +
                   2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
        }
        default:
            return 0;
    }
}

bool EveryCaptionFits(const std::vector<Caption>& captions, const QFont& font, double dotsPerInch) {
    for (const Caption& caption : captions)
        if (NeededWidth(caption, font) > TwipsToPixels(caption.width, dotsPerInch)) return false;
    return true;
}

bool Installed(const QString& face) {
    return QFontInfo(QFont(face)).family().compare(face, Qt::CaseInsensitive) == 0;
}

QFont Face(const QString& family, double points) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace

QStringList PreferredWindowFaces() {
    return {"Tahoma", "DejaVu Sans Condensed", "Liberation Sans", "DejaVu Sans"};
}

QFont WindowFont() {
    QString family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    for (const QString& face : PreferredWindowFaces()) {
        if (Installed(face)) {
            family = face;
            break;
        }
    }
    const QScreen* screen = QApplication::primaryScreen();
    const double dotsPerInch = screen ? screen->logicalDotsPerInchX() : 96;
    const std::vector<Caption> captions = Captions();
    for (double points = kDesignedPoints; points > kSmallestPoints; points -= kPointStep)
        if (EveryCaptionFits(captions, Face(family, points), dotsPerInch)) return Face(family, points);
    return Face(family, kSmallestPoints);
}

}  // namespace qv
