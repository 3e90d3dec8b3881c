// SPDX-License-Identifier: GPL-3.0-or-later
// Property puts, their errors, the repaints they cause, and persistence through property bags.
#include <gtest/gtest.h>

#include <QScreen>
#include <QTest>
#include <functional>
#include <stdexcept>

#include "PanelTestSupport.h"

using namespace Bevelpane;
using namespace PanelTest;
using Log = std::vector<std::string>;

namespace {

// A visible panel whose property-changed notifications and paints are logged in order.
class LivePanel : public ::testing::Test {
protected:
    void SetUp() override {
        panel_.resize(10, 6);
        panel_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel_));
        QCoreApplication::processEvents();
        QObject::connect(&panel_, &Panel::PropertyChanged,
                         [this](const QString& name) { log_.push_back(name.toStdString()); });
        QObject::connect(&panel_, &Panel::Painted, [this] { log_.push_back("paint"); });
    }

    Panel panel_;
    Log log_;
};

// Fails to read and to write one key, as a damaged saved form would.
class BagWithOneBadKey : public PropertyBag {
public:
    explicit BagWithOneBadKey(QString badKey) : badKey_(std::move(badKey)) {}
    QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const override {
        if (key.compare(badKey_, Qt::CaseInsensitive) == 0) throw std::runtime_error("unreadable");
        return PropertyBag::ReadProperty(key, defaultValue);
    }
    void WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue) override {
        if (key.compare(badKey_, Qt::CaseInsensitive) == 0) throw std::runtime_error("unwritable");
        PropertyBag::WriteProperty(key, value, defaultValue);
    }

private:
    QString badKey_;
};

std::vector<OLE_COLOR> Colours(const Panel& panel) {
    return {panel.BackColor(),      panel.AmbientBackColor(), panel.FlatShadowColor(),
            panel.FlatFrameColor(), panel.Light3DColor(),     panel.Highlight3DColor(),
            panel.Shadow3DColor(),  panel.DarkShadow3DColor()};
}
const std::vector<OLE_COLOR> kDefaultColours{0x8000000F, 0x8000000F, 0x80000006, 0x80000006,
                                             0x80000016, 0x80000014, 0x80000010, 0x80000015};

QPixmap RedSquare() {
    QPixmap icon(16, 16);
    icon.fill(Qt::red);
    return icon;
}

template <typename Error>
int ErrorNumberOf(const std::function<void()>& put) {
    try {
        put();
    } catch (const Error& error) {
        return error.Number();
    }
    return 0;
}

}  // namespace

TEST(PanelProperties, NewPanelIsAllZeroAndPaintsBlackUntilInitialised) {
    Panel panel;
    EXPECT_EQ(panel.BorderStyle(), pbsNone);
    EXPECT_EQ(Colours(panel), std::vector<OLE_COLOR>(8, 0));
    panel.resize(3, 2);
    const QImage image = Render(panel);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(2, 1), qRgb(0, 0, 0));
}

TEST_F(LivePanel, InitPropertiesAppliesDefaultsThenRepaintsOnce) {
    panel_.InitProperties();
    EXPECT_EQ(log_, (Log{"BorderStyle", "BackColor", "AmbientBackColor", "FlatFrameColor", "FlatShadowColor",
                         "Highlight3DColor", "Light3DColor", "Shadow3DColor", "DarkShadow3DColor", "paint"}));
    EXPECT_EQ(panel_.BorderStyle(), pbs3DRaised);
    EXPECT_EQ(Colours(panel_), kDefaultColours);
}

TEST_F(LivePanel, BagWithOnlyLowercaseBorderstyle3LoadsInsetWithDefaultsAndRepaintsOnce) {
    PropertyBag bag;
    bag.SetValue("borderstyle", 3);
    panel_.ReadProperties(bag);
    EXPECT_EQ(log_, (Log{"BorderStyle", "BackColor", "AmbientBackColor", "FlatShadowColor", "FlatFrameColor",
                         "Light3DColor", "Highlight3DColor", "Shadow3DColor", "DarkShadow3DColor",
                         "MouseIcon", "MousePointer", "paint"}));
    EXPECT_EQ(panel_.BorderStyle(), pbs3DInset);
    EXPECT_EQ(Colours(panel_), kDefaultColours);
    EXPECT_EQ(panel_.MousePointer(), 0);
    EXPECT_TRUE(panel_.MouseIcon().isNull());
}

TEST_F(LivePanel, BadStoredValuesAreSkippedAndTheRestLoadsWithOneRepaint) {
    BagWithOneBadKey bag("AmbientBackColor");
    bag.SetValue("BorderStyle", 7);
    bag.SetValue("BackColor", "not a colour");
    bag.SetValue("FlatFrameColor", 0x00FF00);
    bag.SetValue("Shadow3DColor", quint32(0x80000012u));  // unsigned keeps its bit pattern
    bag.SetValue("MousePointer", 70000);
    bag.SetValue("MouseIcon", QStringLiteral("not a picture"));
    panel_.ReadProperties(bag);

    // The refused ones keep a new panel's zero.
    EXPECT_EQ(panel_.BorderStyle(), pbsNone);
    EXPECT_EQ(Colours(panel_), (std::vector<OLE_COLOR>{0, 0, 0x80000006, 0x00FF00, 0x80000016, 0x80000014,
                                                       0x80000012, 0x80000015}));
    EXPECT_EQ(panel_.MousePointer(), 0);
    EXPECT_EQ(std::count(log_.begin(), log_.end(), "paint"), 1);
    EXPECT_EQ(log_.back(), "paint");
}

TEST(PanelPersistence, PanelAtDefaultsWritesNoKeyAndDropsStaleOnes) {
    Panel panel;
    panel.InitProperties();
    PropertyBag bag;
    bag.SetValue("backcolor", 123);
    panel.WriteProperties(bag);
    EXPECT_TRUE(bag.IsEmpty()) << bag.Keys().join(", ").toStdString();
}

TEST(PanelPersistence, WrittenPropertiesReadBackAndAnUnwritableKeyIsSkipped) {
    Panel original;
    UseSwatches(original);
    original.SetBackColor(0x80000012);
    original.SetBorderStyle(pbsFlatShadow);
    original.SetMouseIcon(RedSquare());
    original.SetMousePointer(-2);

    PropertyBag bag;
    original.WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 11);
    EXPECT_EQ(bag.ReadProperty("BACKCOLOR", QVariant()), QVariant(qint32(0x80000012u)));  // signed 32-bit

    Panel copy;
    copy.ReadProperties(bag);
    EXPECT_EQ(copy.BorderStyle(), pbsFlatShadow);
    EXPECT_EQ(Colours(copy), Colours(original));
    EXPECT_EQ(copy.MousePointer(), -2);
    EXPECT_EQ(copy.MouseIcon().toImage(), RedSquare().toImage());

    BagWithOneBadKey damaged("FlatShadowColor");
    original.WriteProperties(damaged);
    EXPECT_EQ(damaged.Count(), 10);
    EXPECT_FALSE(damaged.Contains("FlatShadowColor"));
}

TEST_F(LivePanel, BorderStyleOutsideZeroToFourRaises380KeepsStyleAndDoesNotRepaint) {
    panel_.InitProperties();
    log_.clear();
    EXPECT_EQ(
        ErrorNumberOf<InvalidPropertyValueError>([&] { panel_.SetBorderStyle(PanelBorderStyle_Const(5)); }),
        380);
    EXPECT_EQ(
        ErrorNumberOf<InvalidPropertyValueError>([&] { panel_.SetBorderStyle(PanelBorderStyle_Const(-1)); }),
        380);
    // A host setting it by name gets the same error.
    EXPECT_EQ(ErrorNumberOf<ControlError>([&] { panel_.setProperty("BorderStyle", 9); }), 380);
    EXPECT_EQ(panel_.BorderStyle(), pbs3DRaised);
    EXPECT_TRUE(log_.empty());
}

TEST_F(LivePanel, ColourPutRepaintsAtOnceWithTheNewColour) {
    panel_.InitProperties();
    panel_.SetBorderStyle(pbsNone);
    log_.clear();
    panel_.setProperty("BackColor", 0x00FF0000);
    EXPECT_EQ(log_, (Log{"BackColor", "paint"}));
    // What the screen shows, without giving the event loop a chance to paint.
    const QImage shown = panel_.screen()->grabWindow(panel_.winId()).toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixel(5, 3), qRgb(0, 0, 255));
}

TEST_F(LivePanel, CursorSettingsChangeTheCursorWithoutRepaintingAndRefuseOverflow) {
    panel_.InitProperties();
    log_.clear();
    panel_.SetMousePointer(11);
    EXPECT_EQ(panel_.cursor().shape(), Qt::WaitCursor);
    panel_.SetMouseIcon(RedSquare());
    panel_.SetMousePointer(Panel::kCustomPointer);
    EXPECT_EQ(panel_.cursor().pixmap().toImage(), RedSquare().toImage());
    for (qint32 bad : {32768, -32769, 70000}) {
        EXPECT_EQ(ErrorNumberOf<OverflowError>([&] { panel_.SetMousePointer(bad); }), 6) << bad;
    }
    EXPECT_EQ(panel_.MousePointer(), Panel::kCustomPointer);
    EXPECT_EQ(log_, (Log{"MousePointer", "MouseIcon", "MousePointer"}));
}
