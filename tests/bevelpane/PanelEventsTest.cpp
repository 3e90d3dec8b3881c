// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse actions on the panel reach its host as events; the panel never takes the focus.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>
#include <sstream>

#include "Panel.h"

using namespace Bevelpane;
using Log = std::vector<std::string>;

namespace {

class PanelEvents : public ::testing::Test {
protected:
    void SetUp() override {
        panel_.resize(20, 10);
        auto mouse = [this](const char* name) {
            return [this, name](qint32 button, qint32 shift, float x, float y) {
                std::ostringstream entry;
                entry << name << '(' << button << ',' << shift << ',' << x << ',' << y << ')';
                log_.push_back(entry.str());
            };
        };
        QObject::connect(&panel_, &Panel::MouseDown, mouse("Down"));
        QObject::connect(&panel_, &Panel::MouseMove, mouse("Move"));
        QObject::connect(&panel_, &Panel::MouseUp, mouse("Up"));
        QObject::connect(&panel_, &Panel::Click, [this] { log_.push_back("Click"); });
        QObject::connect(&panel_, &Panel::DblClick, [this] { log_.push_back("DblClick"); });
    }

    void Send(QEvent::Type type, QPointF position, Qt::MouseButton button, Qt::MouseButtons held,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(type, position, panel_.mapToGlobal(position), button, held, modifiers);
        QCoreApplication::sendEvent(&panel_, &event);
    }

    Panel panel_;
    Log log_;
};

}  // namespace

TEST_F(PanelEvents, PressAndReleaseGiveDownUpAndClickWithButtonShiftAndPosition) {
    const auto shiftCtrl = Qt::ShiftModifier | Qt::ControlModifier;
    Send(QEvent::MouseButtonPress, {3.5, 4.25}, Qt::LeftButton, Qt::LeftButton, shiftCtrl);
    Send(QEvent::MouseButtonRelease, {3.5, 4.25}, Qt::LeftButton, Qt::NoButton, shiftCtrl);
    EXPECT_EQ(log_, (Log{"Down(1,3,3.5,4.25)", "Up(1,3,3.5,4.25)", "Click"}));
}

TEST_F(PanelEvents, DoubleClickGivesDblClickInsteadOfASecondDownAndClick) {
    Send(QEvent::MouseButtonPress, {2, 2}, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, {2, 2}, Qt::LeftButton, Qt::NoButton);
    Send(QEvent::MouseButtonDblClick, {2, 2}, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, {2, 2}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(log_, (Log{"Down(1,0,2,2)", "Up(1,0,2,2)", "Click", "DblClick", "Up(1,0,2,2)"}));
}

TEST_F(PanelEvents, OtherButtonsAltMovesWithButtonsHeldAndReleaseOutsideWithoutClick) {
    Send(QEvent::MouseButtonPress, {1, 1}, Qt::RightButton, Qt::RightButton, Qt::AltModifier);
    Send(QEvent::MouseMove, {6, 7}, Qt::NoButton, Qt::RightButton | Qt::MiddleButton, Qt::AltModifier);
    Send(QEvent::MouseButtonRelease, {25, -3}, Qt::RightButton, Qt::MiddleButton);
    Send(QEvent::MouseMove, {8, 9}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(log_, (Log{"Down(2,4,1,1)", "Move(6,4,6,7)", "Up(2,0,25,-3)", "Move(0,0,8,9)"}));
}

TEST(PanelFocus, ClickingThePanelLeavesTheFocusWhereItWasButItsChildrenTakeIt) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new QLineEdit(&window);
    auto* panel = new Panel(&window);
    auto* inner = new QLineEdit(panel);
    panel->setMinimumSize(80, 40);
    inner->setGeometry(4, 4, 60, 20);
    layout->addWidget(edit);
    layout->addWidget(panel);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();

    QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, QPoint(70, 35));
    EXPECT_TRUE(edit->hasFocus());
    QTest::mouseClick(inner, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(inner->hasFocus());
}
