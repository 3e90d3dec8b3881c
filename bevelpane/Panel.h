// SPDX-License-Identifier: GPL-3.0-or-later
// Panel: a rectangular container control that paints its face and a flat or 3D border in
// configurable colours and passes mouse actions on to its host.
//
// Hosts normally create it by ProgID through the ControlFramework and then call
// InitProperties() or ReadProperties(bag). Until then every colour is 0 (black) and the style is
// pbsNone. Properties are also Qt properties of the same names. Puts outside initialisation
// repaint at once (Painted() is emitted from the paint); a refused put raises a ControlError and
// changes nothing. GUI thread only.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "bevelpane_export.h"
#include "controls/ControlInterfaces.h"

namespace Bevelpane {
Q_NAMESPACE_EXPORT(BEVELPANE_EXPORT)

enum PanelBorderStyle_Const : qint32 {
    pbsNone = 0,        // face only
    pbsFlat = 1,        // face with a 1-pixel frame
    pbsFlatShadow = 2,  // framed face with a 2-pixel drop shadow to the right and below
    pbs3DInset = 3,     // face with a 2-pixel sunken bevel
    pbs3DRaised = 4,    // face with a 2-pixel raised bevel
};
Q_ENUM_NS(PanelBorderStyle_Const)

class DrawingSurface;

class BEVELPANE_EXPORT Panel : public QWidget, public IPersistPropertyBag {
    Q_OBJECT
    Q_INTERFACES(IPersistPropertyBag)
    Q_PROPERTY(Bevelpane::PanelBorderStyle_Const BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(OLE_COLOR BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(OLE_COLOR AmbientBackColor READ AmbientBackColor WRITE SetAmbientBackColor)
    Q_PROPERTY(OLE_COLOR FlatShadowColor READ FlatShadowColor WRITE SetFlatShadowColor)
    Q_PROPERTY(OLE_COLOR FlatFrameColor READ FlatFrameColor WRITE SetFlatFrameColor)
    Q_PROPERTY(OLE_COLOR Light3DColor READ Light3DColor WRITE SetLight3DColor)
    Q_PROPERTY(OLE_COLOR Highlight3DColor READ Highlight3DColor WRITE SetHighlight3DColor)
    Q_PROPERTY(OLE_COLOR Shadow3DColor READ Shadow3DColor WRITE SetShadow3DColor)
    Q_PROPERTY(OLE_COLOR DarkShadow3DColor READ DarkShadow3DColor WRITE SetDarkShadow3DColor)
    Q_PROPERTY(QPixmap MouseIcon READ MouseIcon WRITE SetMouseIcon)
    Q_PROPERTY(qint32 MousePointer READ MousePointer WRITE SetMousePointer)

public:
    // MousePointer code that shows MouseIcon as the cursor.
    static constexpr qint32 kCustomPointer = 99;

    explicit Panel(QWidget* parent = nullptr);
    ~Panel() override;

    // Raises InvalidPropertyValueError (380) for a value outside pbsNone..pbs3DRaised.
    PanelBorderStyle_Const BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(PanelBorderStyle_Const style);

    // Colours accept any 32-bit value; they are resolved only when drawn.
    OLE_COLOR BackColor() const { return backColor_; }
    void SetBackColor(OLE_COLOR colour);
    OLE_COLOR AmbientBackColor() const { return ambientBackColor_; }
    void SetAmbientBackColor(OLE_COLOR colour);
    OLE_COLOR FlatShadowColor() const { return flatShadowColor_; }
    void SetFlatShadowColor(OLE_COLOR colour);
    OLE_COLOR FlatFrameColor() const { return flatFrameColor_; }
    void SetFlatFrameColor(OLE_COLOR colour);
    OLE_COLOR Light3DColor() const { return light3DColor_; }
    void SetLight3DColor(OLE_COLOR colour);
    OLE_COLOR Highlight3DColor() const { return highlight3DColor_; }
    void SetHighlight3DColor(OLE_COLOR colour);
    OLE_COLOR Shadow3DColor() const { return shadow3DColor_; }
    void SetShadow3DColor(OLE_COLOR colour);
    OLE_COLOR DarkShadow3DColor() const { return darkShadow3DColor_; }
    void SetDarkShadow3DColor(OLE_COLOR colour);

    // The cursor settings; changing them does not repaint. A null picture clears the icon.
    QPixmap MouseIcon() const { return mouseIcon_; }
    void SetMouseIcon(const QPixmap& icon);
    // Raises OverflowError (6) for a value outside the 16-bit range.
    qint32 MousePointer() const { return mousePointer_; }
    void SetMousePointer(qint32 pointer);

    // Repaints at once (only while the panel is visible).
    Q_INVOKABLE void Refresh();

    void InitProperties() override;
    void ReadProperties(IPropertyBag& bag) override;
    void WriteProperties(IPropertyBag& bag) override;

    // Panels alive in this process; the library may be unloaded only at zero.
    static int LiveCount();

signals:
    void Click();
    void DblClick();
    // Button: 1 left, 2 right, 4 middle (for MouseMove: all held). Shift: 1 Shift, 2 Ctrl, 4 Alt.
    // X and Y are pixels of the panel.
    void MouseDown(qint32 Button, qint32 Shift, float X, float Y);
    void MouseMove(qint32 Button, qint32 Shift, float X, float Y);
    void MouseUp(qint32 Button, qint32 Shift, float X, float Y);
    // Any put, also during initialisation, so a host can mark its saved form as changed.
    void PropertyChanged(const QString& propertyName);
    // After each paint of the panel.
    void Painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void DrawPanel(DrawingSurface& surface);
    void PutColour(OLE_COLOR& field, OLE_COLOR colour, const char* propertyName);
    void ApplyCursor();
    QColor DrawingColour(OLE_COLOR colour) const;
    int TwipsWide() const;
    int TwipsHigh() const;

    OLE_COLOR backColor_ = 0;
    OLE_COLOR ambientBackColor_ = 0;
    OLE_COLOR flatShadowColor_ = 0;
    OLE_COLOR flatFrameColor_ = 0;
    OLE_COLOR light3DColor_ = 0;
    OLE_COLOR highlight3DColor_ = 0;
    OLE_COLOR shadow3DColor_ = 0;
    OLE_COLOR darkShadow3DColor_ = 0;
    PanelBorderStyle_Const borderStyle_ = pbsNone;
    bool initializing_ = false;

    // The host surface's cursor settings.
    qint16 mousePointer_ = 0;
    QPixmap mouseIcon_;

    // The release ending a double click is not a click of its own.
    bool releaseEndsDoubleClick_ = false;
};

}  // namespace Bevelpane
