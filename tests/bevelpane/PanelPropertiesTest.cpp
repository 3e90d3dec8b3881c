// Property puts, their errors, the repaints they cause, and persistence through property bags.
#include "PanelTestSupport.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>

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

void ExpectDefaultColours(const Panel& panel) {
    EXPECT_EQ(panel.BackColor(), 0x8000000Fu);
    EXPECT_EQ(panel.AmbientBackColor(), 0x8000000Fu);
    EXPECT_EQ(panel.FlatShadowColor(), 0x80000006u);
    EXPECT_EQ(panel.FlatFrameColor(), 0x80000006u);
    EXPECT_EQ(panel.Light3DColor(), 0x80000016u);
    EXPECT_EQ(panel.Highlight3DColor(), 0x80000014u);
    EXPECT_EQ(panel.Shadow3DColor(), 0x80000010u);
    EXPECT_EQ(panel.DarkShadow3DColor(), 0x80000015u);
}

QPixmap RedSquare() {
    QPixmap icon(16, 16);
    icon.fill(Qt::red);
    return icon;
}

}  // namespace

TEST(PanelProperties, NewPanelIsAllZeroUntilInitialised) {
    Panel panel;
    EXPECT_EQ(panel.BorderStyle(), pbsNone);
    for (OLE_COLOR colour : {panel.BackColor(), panel.AmbientBackColor(), panel.FlatShadowColor(),
                             panel.FlatFrameColor(), panel.Light3DColor(), panel.Highlight3DColor(),
                             panel.Shadow3DColor(), panel.DarkShadow3DColor()}) {
        EXPECT_EQ(colour, 0u);
    }
    panel.resize(3, 2);
    const QImage image = Render(panel);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(2, 1), qRgb(0, 0, 0));
}

TEST_F(LivePanel, InitPropertiesAppliesDefaultsThenRepaintsOnce) {
    panel_.InitProperties();
    const Log expected{"BorderStyle",      "BackColor",    "AmbientBackColor", "FlatFrameColor",
                       "FlatShadowColor",  "Highlight3DColor", "Light3DColor", "Shadow3DColor",
                       "DarkShadow3DColor", "paint"};
    EXPECT_EQ(log_, expected);
    EXPECT_EQ(panel_.BorderStyle(), pbs3DRaised);
    ExpectDefaultColours(panel_);
}

TEST_F(LivePanel, BagWithOnlyLowercaseBorderstyle3LoadsInsetWithDefaultsAndRepaintsOnce) {
    PropertyBag bag;
    bag.SetValue("borderstyle", 3);
    panel_.ReadProperties(bag);
    const Log expected{"BorderStyle",   "BackColor",        "AmbientBackColor", "FlatShadowColor",
                       "FlatFrameColor", "Light3DColor",    "Highlight3DColor", "Shadow3DColor",
                       "DarkShadow3DColor", "MouseIcon",    "MousePointer",     "paint"};
    EXPECT_EQ(log_, expected);
    EXPECT_EQ(panel_.BorderStyle(), pbs3DInset);
    ExpectDefaultColours(panel_);
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
    EXPECT_EQ(panel_.BackColor(), 0u);
    EXPECT_EQ(panel_.AmbientBackColor(), 0u);
    EXPECT_EQ(panel_.MousePointer(), 0);
    EXPECT_EQ(panel_.FlatFrameColor(), 0x00FF00u);
    EXPECT_EQ(panel_.Shadow3DColor(), 0x80000012u);
    EXPECT_EQ(panel_.Light3DColor(), 0x80000016u);
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

TEST(PanelPersistence, WrittenPropertiesReadBackIntoAnotherPanel) {
    Panel original;
    original.InitProperties();
    UseSwatches(original);
    original.SetBackColor(0x80000012);
    original.SetBorderStyle(pbsFlatShadow);
    original.SetMouseIcon(RedSquare());
    original.SetMousePointer(-2);

    PropertyBag bag;
    original.WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 11);
    // Colours are stored as signed 32-bit integers.
    EXPECT_EQ(bag.ReadProperty("BACKCOLOR", QVariant()), QVariant(qint32(0x80000012u)));

    Panel copy;
    copy.ReadProperties(bag);
    EXPECT_EQ(copy.BorderStyle(), pbsFlatShadow);
    EXPECT_EQ(copy.BackColor(), 0x80000012u);
    EXPECT_EQ(copy.AmbientBackColor(), kAmbient.colour);
    EXPECT_EQ(copy.FlatShadowColor(), kFlatShadow.colour);
    EXPECT_EQ(copy.FlatFrameColor(), kFlatFrame.colour);
    EXPECT_EQ(copy.Light3DColor(), kLight3D.colour);
    EXPECT_EQ(copy.Highlight3DColor(), kHighlight3D.colour);
    EXPECT_EQ(copy.Shadow3DColor(), kShadow3D.colour);
    EXPECT_EQ(copy.DarkShadow3DColor(), kDarkShadow3D.colour);
    EXPECT_EQ(copy.MousePointer(), -2);
    EXPECT_EQ(copy.MouseIcon().toImage(), RedSquare().toImage());
}

TEST(PanelPersistence, AnUnwritableKeyIsSkippedAndTheOthersAreWritten) {
    Panel panel;
    UseSwatches(panel);
    BagWithOneBadKey bag("FlatShadowColor");
    panel.WriteProperties(bag);
    EXPECT_FALSE(bag.Contains("FlatShadowColor"));
    EXPECT_TRUE(bag.Contains("FlatFrameColor"));
    EXPECT_TRUE(bag.Contains("DarkShadow3DColor"));
    EXPECT_TRUE(bag.Contains("BorderStyle"));  // pbsNone differs from the default
}

TEST_F(LivePanel, BorderStyleOutsideZeroToFourRaises380KeepsStyleAndDoesNotRepaint) {
    panel_.InitProperties();
    log_.clear();
    for (int bad : {5, -1}) {
        try {
            panel_.SetBorderStyle(PanelBorderStyle_Const(bad));
            ADD_FAILURE() << bad << " was accepted";
        } catch (const InvalidPropertyValueError& error) {
            EXPECT_EQ(error.Number(), 380);
        }
    }
    // A host setting it by name gets the same error.
    try {
        panel_.setProperty("BorderStyle", 9);
        ADD_FAILURE() << "9 was accepted by name";
    } catch (const ControlError& error) {
        EXPECT_EQ(error.Number(), 380);
    }
    EXPECT_EQ(panel_.BorderStyle(), pbs3DRaised);
    EXPECT_TRUE(log_.empty());
}

TEST_F(LivePanel, ColourPutRepaintsAtOnceWithTheNewColour) {
    panel_.InitProperties();
    panel_.SetBorderStyle(pbsNone);
    log_.clear();
    panel_.SetBackColor(0x00FF0000);
    EXPECT_EQ(log_, (Log{"BackColor", "paint"}));
    // What the screen shows, without giving the event loop a chance to paint.
    const QImage shown = panel_.screen()->grabWindow(panel_.winId()).toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixel(5, 3), qRgb(0, 0, 255));
}

TEST_F(LivePanel, CursorSettingsChangeTheCursorWithoutRepainting) {
    panel_.InitProperties();
    log_.clear();
    panel_.SetMousePointer(11);
    EXPECT_EQ(panel_.cursor().shape(), Qt::WaitCursor);
    panel_.SetMouseIcon(RedSquare());
    panel_.SetMousePointer(Panel::kCustomPointer);
    EXPECT_EQ(panel_.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(panel_.cursor().pixmap().toImage(), RedSquare().toImage());
    panel_.SetMouseIcon(QPixmap());
    EXPECT_EQ(panel_.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(log_, (Log{"MousePointer", "MouseIcon", "MousePointer", "MouseIcon"}));
}

TEST_F(LivePanel, MousePointerOutside16BitsIsAnOverflowAndChangesNothing) {
    panel_.SetMousePointer(-32768);
    log_.clear();
    for (qint32 bad : {32768, -32769, 70000}) {
        try {
            panel_.SetMousePointer(bad);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const OverflowError& error) {
            EXPECT_EQ(error.Number(), 6);
        }
    }
    EXPECT_EQ(panel_.MousePointer(), -32768);
    EXPECT_TRUE(log_.empty());
}

TEST(PanelProperties, HostsSetPropertiesByName) {
    Panel panel;
    EXPECT_TRUE(panel.setProperty("BackColor", 0x00FF00));
    EXPECT_EQ(panel.BackColor(), 0x00FF00u);
    EXPECT_TRUE(panel.setProperty("BorderStyle", 3));
    EXPECT_EQ(panel.BorderStyle(), pbs3DInset);
    EXPECT_TRUE(panel.setProperty("BorderStyle", "pbsFlat"));
    EXPECT_EQ(panel.property("BorderStyle").toInt(), 1);
    EXPECT_TRUE(panel.setProperty("MousePointer", 2));
    EXPECT_EQ(panel.property("MousePointer").toInt(), 2);
}
