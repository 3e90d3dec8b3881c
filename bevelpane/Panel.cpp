// SPDX-License-Identifier: GPL-3.0-or-later
#include "Panel.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QtDebug>
#include <cstdint>
#include <iterator>

#include "DrawingSurface.h"
#include "OleColor.h"

namespace Bevelpane {
namespace {

int liveCount = 0;

constexpr PanelBorderStyle_Const kDefaultBorderStyle = pbs3DRaised;

class TypeMismatchError : public ControlError {
public:
    TypeMismatchError() : ControlError(13, "Type mismatch") {}
};

// The 32-bit integer a stored value stands for; unsigned 32-bit values keep their bit pattern,
// so a colour stored by a host as 0x8000000F reads back as the same colour.
qint32 ToInt32(const QVariant& value) {
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!ok) throw TypeMismatchError();
    if (number < INT32_MIN || number > qlonglong(UINT32_MAX)) throw OverflowError();
    return static_cast<qint32>(static_cast<quint32>(number));
}

QPixmap ToPicture(const QVariant& value) {
    if (!value.isValid()) return {};
    const QMetaType type = value.metaType();
    if (type == QMetaType::fromType<QPixmap>()) return value.value<QPixmap>();
    if (type == QMetaType::fromType<QImage>()) return QPixmap::fromImage(value.value<QImage>());
    if (type == QMetaType::fromType<QByteArray>()) {
        QPixmap picture;
        if (value.toByteArray().isEmpty() || picture.loadFromData(value.toByteArray())) return picture;
    }
    throw TypeMismatchError();
}

// Button and Shift arrive as the host's 16-bit codes and leave sign-extended to 32 bits.
qint16 ButtonCode(Qt::MouseButtons buttons) {
    return qint16((buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
                  (buttons & Qt::MiddleButton ? 4 : 0));
}

qint16 ShiftCode(Qt::KeyboardModifiers modifiers) {
    return qint16((modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
                  (modifiers & Qt::AltModifier ? 4 : 0));
}

// Runs one step of loading or saving; a step that fails leaves its property as it was.
template <typename Step>
void Tolerate(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

struct ColourProperty {
    const char* name;
    OLE_COLOR defaultValue;
    OLE_COLOR (Panel::*get)() const;
    void (Panel::*put)(OLE_COLOR);
};

// In the order saved forms hold them.
const ColourProperty kColourProperties[] = {
    {"BackColor", SystemColor::ButtonFace, &Panel::BackColor, &Panel::SetBackColor},
    {"AmbientBackColor", SystemColor::ButtonFace, &Panel::AmbientBackColor, &Panel::SetAmbientBackColor},
    {"FlatShadowColor", SystemColor::WindowFrame, &Panel::FlatShadowColor, &Panel::SetFlatShadowColor},
    {"FlatFrameColor", SystemColor::WindowFrame, &Panel::FlatFrameColor, &Panel::SetFlatFrameColor},
    {"Light3DColor", SystemColor::Light3D, &Panel::Light3DColor, &Panel::SetLight3DColor},
    {"Highlight3DColor", SystemColor::Highlight3D, &Panel::Highlight3DColor, &Panel::SetHighlight3DColor},
    {"Shadow3DColor", SystemColor::Shadow3D, &Panel::Shadow3DColor, &Panel::SetShadow3DColor},
    {"DarkShadow3DColor", SystemColor::DarkShadow3D, &Panel::DarkShadow3DColor, &Panel::SetDarkShadow3DColor},
};

// Bags hold colours as signed 32-bit integers.
QVariant Stored(OLE_COLOR colour) { return QVariant(static_cast<qint32>(colour)); }

}  // namespace

Panel::Panel(QWidget* parent) : QWidget(parent) {
    ++liveCount;
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    // DrawPanel covers every pixel, so Qt need not clear the area first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

Panel::~Panel() { --liveCount; }

int Panel::LiveCount() { return liveCount; }

void Panel::SetBorderStyle(PanelBorderStyle_Const style) {
    if (style < pbsNone || style > pbs3DRaised) throw InvalidPropertyValueError();
    borderStyle_ = style;
    emit PropertyChanged(QStringLiteral("BorderStyle"));
    if (!initializing_) Refresh();
}

void Panel::PutColour(OLE_COLOR& field, OLE_COLOR colour, const char* propertyName) {
    field = colour;
    emit PropertyChanged(QString::fromLatin1(propertyName));
    if (!initializing_) Refresh();
}

void Panel::SetBackColor(OLE_COLOR colour) { PutColour(backColor_, colour, "BackColor"); }
void Panel::SetAmbientBackColor(OLE_COLOR colour) {
    PutColour(ambientBackColor_, colour, "AmbientBackColor");
}
void Panel::SetFlatShadowColor(OLE_COLOR colour) { PutColour(flatShadowColor_, colour, "FlatShadowColor"); }
void Panel::SetFlatFrameColor(OLE_COLOR colour) { PutColour(flatFrameColor_, colour, "FlatFrameColor"); }
void Panel::SetLight3DColor(OLE_COLOR colour) { PutColour(light3DColor_, colour, "Light3DColor"); }
void Panel::SetHighlight3DColor(OLE_COLOR colour) {
    PutColour(highlight3DColor_, colour, "Highlight3DColor");
}
void Panel::SetShadow3DColor(OLE_COLOR colour) { PutColour(shadow3DColor_, colour, "Shadow3DColor"); }
void Panel::SetDarkShadow3DColor(OLE_COLOR colour) {
    PutColour(darkShadow3DColor_, colour, "DarkShadow3DColor");
}

void Panel::SetMouseIcon(const QPixmap& icon) {
    mouseIcon_ = icon;
    ApplyCursor();
    emit PropertyChanged(QStringLiteral("MouseIcon"));
}

void Panel::SetMousePointer(qint32 pointer) {
    if (pointer < INT16_MIN || pointer > INT16_MAX) throw OverflowError();
    mousePointer_ = static_cast<qint16>(pointer);
    ApplyCursor();
    emit PropertyChanged(QStringLiteral("MousePointer"));
}

void Panel::ApplyCursor() {
    // Codes 1..15 in order: arrow, cross, I-beam, icon, size, size NE-SW, size N-S, size NW-SE,
    // size W-E, up arrow, hourglass, no drop, arrow and hourglass, arrow and question mark, size all.
    static constexpr Qt::CursorShape kShapes[] = {
        Qt::ArrowCursor,     Qt::CrossCursor,     Qt::IBeamCursor,     Qt::ArrowCursor,     Qt::SizeAllCursor,
        Qt::SizeBDiagCursor, Qt::SizeVerCursor,   Qt::SizeFDiagCursor, Qt::SizeHorCursor,   Qt::UpArrowCursor,
        Qt::WaitCursor,      Qt::ForbiddenCursor, Qt::BusyCursor,      Qt::WhatsThisCursor, Qt::SizeAllCursor,
    };
    if (mousePointer_ == kCustomPointer && !mouseIcon_.isNull()) {
        setCursor(QCursor(mouseIcon_));
    } else if (mousePointer_ >= 1 && mousePointer_ <= qint16(std::size(kShapes))) {
        setCursor(kShapes[mousePointer_ - 1]);
    } else {
        unsetCursor();
    }
}

void Panel::Refresh() { repaint(); }

void Panel::InitProperties() {
    initializing_ = true;
    SetBorderStyle(kDefaultBorderStyle);
    SetBackColor(SystemColor::ButtonFace);
    SetAmbientBackColor(SystemColor::ButtonFace);
    SetFlatFrameColor(SystemColor::WindowFrame);
    SetFlatShadowColor(SystemColor::WindowFrame);
    SetHighlight3DColor(SystemColor::Highlight3D);
    SetLight3DColor(SystemColor::Light3D);
    SetShadow3DColor(SystemColor::Shadow3D);
    SetDarkShadow3DColor(SystemColor::DarkShadow3D);
    initializing_ = false;
    Refresh();
}

void Panel::ReadProperties(IPropertyBag& bag) {
    initializing_ = true;
    Tolerate([&] {
        const qint32 style =
            ToInt32(bag.ReadProperty(QStringLiteral("BorderStyle"), qint32(kDefaultBorderStyle)));
        SetBorderStyle(static_cast<PanelBorderStyle_Const>(style));
    });
    for (const ColourProperty& colour : kColourProperties) {
        Tolerate([&] {
            const qint32 value =
                ToInt32(bag.ReadProperty(QString::fromLatin1(colour.name), Stored(colour.defaultValue)));
            (this->*colour.put)(static_cast<OLE_COLOR>(value));
        });
    }
    Tolerate([&] { SetMouseIcon(ToPicture(bag.ReadProperty(QStringLiteral("MouseIcon"), QVariant()))); });
    Tolerate([&] { SetMousePointer(ToInt32(bag.ReadProperty(QStringLiteral("MousePointer"), qint32(0)))); });
    initializing_ = false;
    Refresh();
}

void Panel::WriteProperties(IPropertyBag& bag) {
    Tolerate([&] {
        bag.WriteProperty(QStringLiteral("BorderStyle"), qint32(BorderStyle()), qint32(kDefaultBorderStyle));
    });
    for (const ColourProperty& colour : kColourProperties) {
        Tolerate([&] {
            bag.WriteProperty(QString::fromLatin1(colour.name), Stored((this->*colour.get)()),
                              Stored(colour.defaultValue));
        });
    }
    Tolerate([&] {
        const QPixmap icon = MouseIcon();
        bag.WriteProperty(QStringLiteral("MouseIcon"), icon.isNull() ? QVariant() : QVariant(icon),
                          QVariant());
    });
    Tolerate([&] { bag.WriteProperty(QStringLiteral("MousePointer"), MousePointer(), qint32(0)); });
}

QColor Panel::DrawingColour(OLE_COLOR colour) const {
    const std::optional<QColor> resolved = ResolveOleColor(colour, palette());
    if (!resolved) throw InvalidPropertyValueError();
    return *resolved;
}

// The control's size in twips (1/1440 inch), only ever used as a coordinate past the far edge.
int Panel::TwipsWide() const { return qRound(width() * 1440.0 / logicalDpiX()); }
int Panel::TwipsHigh() const { return qRound(height() * 1440.0 / logicalDpiY()); }

void Panel::DrawPanel(DrawingSurface& surface) {
    // The client area's size and every colour are read afresh for each primitive.
    const auto sw = [this] { return width(); };
    const auto sh = [this] { return height(); };
    surface.FillBox(0, 0, TwipsWide(), TwipsHigh(), DrawingColour(AmbientBackColor()));

    switch (BorderStyle()) {
        case pbsNone:
            surface.FillBox(0, 0, TwipsWide(), TwipsHigh(), DrawingColour(BackColor()));
            break;
        case pbsFlat:
            surface.FillBox(0, 0, sw() - 1, sh() - 1, DrawingColour(BackColor()));
            surface.OutlineBox(0, 0, sw() - 1, sh() - 1, DrawingColour(FlatFrameColor()));
            break;
        case pbsFlatShadow:
            surface.FillBox(2, 2, TwipsWide() - 1, TwipsHigh() - 1, DrawingColour(FlatShadowColor()));
            surface.FillBox(0, 0, sw() - 3, sh() - 3, DrawingColour(BackColor()));
            surface.OutlineBox(0, 0, sw() - 3, sh() - 3, DrawingColour(FlatFrameColor()));
            break;
        case pbs3DInset:
        case pbs3DRaised: {
            const bool inset = BorderStyle() == pbs3DInset;
            // Outer and inner ring of the top-left and of the bottom-right edges.
            auto outerTopLeft = [&] {
                return DrawingColour(inset ? DarkShadow3DColor() : Highlight3DColor());
            };
            auto innerTopLeft = [&] { return DrawingColour(inset ? Shadow3DColor() : Light3DColor()); };
            auto outerBottomRight = [&] {
                return DrawingColour(inset ? Highlight3DColor() : DarkShadow3DColor());
            };
            auto innerBottomRight = [&] { return DrawingColour(inset ? Light3DColor() : Shadow3DColor()); };
            surface.FillBox(0, 0, sw() - 1, sh() - 1, DrawingColour(BackColor()));
            surface.Line(0, 0, sw() - 1, 0, outerTopLeft());
            surface.Line(0, 0, 0, sh() - 1, outerTopLeft());
            surface.Line(1, 1, sw() - 1, 1, innerTopLeft());
            surface.Line(1, 1, 1, sh() - 1, innerTopLeft());
            surface.Line(sw() - 1, 0, sw() - 1, sh(), outerBottomRight());
            surface.Line(0, sh() - 1, sw(), sh() - 1, outerBottomRight());
            surface.Line(sw() - 2, 1, sw() - 2, sh() - 1, innerBottomRight());
            surface.Line(1, sh() - 2, sw() - 2, sh() - 2, innerBottomRight());
            break;
        }
    }
}

void Panel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawingSurface surface(painter, size());
    try {
        DrawPanel(surface);
    } catch (const ControlError& error) {
        // An exception must not leave the event loop; the primitives already drawn stay.
        qWarning("Bevelpane: painting stopped: %s", error.what());
    }
    emit Painted();
}

void Panel::resizeEvent(QResizeEvent*) { Refresh(); }

void Panel::mousePressEvent(QMouseEvent* event) {
    releaseEndsDoubleClick_ = false;
    emit MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()), float(event->position().x()),
                   float(event->position().y()));
}

void Panel::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseUp(ButtonCode(event->button()), ShiftCode(event->modifiers()), float(event->position().x()),
                 float(event->position().y()));
    if (releaseEndsDoubleClick_) {
        releaseEndsDoubleClick_ = false;
        return;
    }
    if (rect().contains(event->position().toPoint())) emit Click();
}

void Panel::mouseDoubleClickEvent(QMouseEvent*) {
    releaseEndsDoubleClick_ = true;
    emit DblClick();
}

void Panel::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMove(ButtonCode(event->buttons()), ShiftCode(event->modifiers()), float(event->position().x()),
                   float(event->position().y()));
}

}  // namespace Bevelpane
