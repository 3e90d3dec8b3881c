// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <filesystem>

#include "GuiDoubles.h"
#include "WindowFont.h"
#include "modMain.h"
#include "widgets/AboutBox.h"
#include "widgets/ProxySettingsDialog.h"
#include "widgets/QtMessagePresenter.h"

namespace qv {
namespace {

using test::WindowFixture;

// Each caption of the window against the room of its control, as Qt's own
// controls measure what they need; the Exit button in both of its captions.
void ExpectEveryCaptionFits(frmMain& w) {
    int checked = 0;
    for (QLabel* label : w.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
        ++checked;
    }
    for (QCheckBox* check : w.findChildren<QCheckBox*>()) {
        EXPECT_LE(check->sizeHint().width(), check->width()) << check->text().toStdString();
        ++checked;
    }
    for (QGroupBox* frame : w.findChildren<QGroupBox*>()) {
        EXPECT_LE(frame->minimumSizeHint().width(), frame->width()) << frame->title().toStdString();
        ++checked;
    }
    const QString exit = w.cmdCancel->text();
    for (const QString& caption : {exit, QString("Cancel")}) {
        w.cmdCancel->setText(caption);
        for (QPushButton* button : w.findChildren<QPushButton*>()) {
            QStyleOptionButton option;
            option.initFrom(button);
            const QRect room =
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), room.width())
                << button->text().toStdString();
            ++checked;
        }
    }
    w.cmdCancel->setText(exit);
    EXPECT_EQ(checked, 4 + 4 + 3 + 2 * 5);
}

QString Face(const QWidget* widget) { return QFontInfo(widget->font()).family(); }

TEST(Look, TheWindowIsSetInTahomaAndEveryCaptionFits) {
    ASSERT_TRUE(std::filesystem::exists(std::string(kTahomaFolder) + "/tahoma.ttf"))
        << "scripts/setup installs fonts-wine, whose Tahoma-metric face the window is laid out for";
    WindowFixture fixture;
    frmMain& w = *fixture.window;
    EXPECT_EQ(Face(&w), "Tahoma");
    // 9 points where the captions fit; on a 96-dpi screen "E-Mail:" needs the next size down.
    EXPECT_LE(w.font().pointSizeF(), 9.0);
    EXPECT_GE(w.font().pointSizeF(), 8.0);
    for (QWidget* control : {static_cast<QWidget*>(w.txtGroup), static_cast<QWidget*>(w.chkIncrementalBackup),
                             static_cast<QWidget*>(w.lblTag[5])})
        EXPECT_EQ(control->font(), w.font()) << control->objectName().toStdString();
    ExpectEveryCaptionFits(w);
}

// How much ink a line of text takes in `font`: the sum of its darkness.
long Ink(const QFont& font, const QString& text) {
    QImage image(400, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(5, 28, text);
    painter.end();
    long ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ink += 255 - qGray(image.pixel(x, y));
    return ink;
}

// The about box shows the program's title in bold, which must look bold, not
// just spaced out.
TEST(Look, BoldTextInTheWindowsFaceIsHeavierThanItsRegularText) {
    WindowFixture fixture;
    const QFont regular = fixture.window->font();
    QFont bold = regular;
    bold.setBold(true);
    const QString title = QString::fromStdString(App().Title);
    EXPECT_GT(Ink(bold, title), Ink(regular, title) * 5 / 4) << QFontInfo(regular).family().toStdString();
}

TEST(Look, WithoutTahomaTheFallbackFaceStillFitsEveryCaption) {
    QFontDatabase::removeAllApplicationFonts();
    if (QFontDatabase::hasFamily("Tahoma")) {
        InitCommonControls();
        GTEST_SKIP() << "this machine has a Tahoma of its own";
    }
    {
        WindowFixture fixture;
        frmMain& w = *fixture.window;
        EXPECT_NE(Face(&w), "Tahoma");
        EXPECT_TRUE(PreferredWindowFaces().contains(Face(&w))) << Face(&w).toStdString();
        ExpectEveryCaptionFits(w);
        test::Keep(w, "idle-fallback-face");
    }
    InitCommonControls();
}

TEST(Look, PasswordBoxesShowAStarForEachCharacter) {
    WindowFixture fixture;
    frmMain& w = *fixture.window;
    w.txtPassword->setText("s3cret");
    w.txtPassword2->setText("pw");
    EXPECT_EQ(w.txtPassword->displayText(), "******");
    EXPECT_EQ(w.txtPassword2->displayText(), "**");
    EXPECT_EQ(w.txtEMail->displayText(), w.txtEMail->text());

    ProxySettings settings;
    settings.ProxyMode = ProxySettings::pmManual;
    settings.Password = "proxy pw";
    ProxySettingsDialog dialog(settings, &w);
    EXPECT_EQ(dialog.findChild<QLineEdit*>("txtPassword")->displayText(), "********");
}

// The face and size a box shows its text in, read while the box is up.
struct SeenFont {
    QString face;
    qreal points = 0;
};
SeenFont FontOf(const QWidget* text) {
    return {QFontInfo(text->font()).family(), QFontInfo(text->font()).pointSizeF()};
}

TEST(Look, BoxesAndDialogsShareTheWindowsFace) {
    WindowFixture fixture;
    frmMain& w = *fixture.window;
    const SeenFont window = FontOf(&w);
    std::vector<std::pair<std::string, SeenFont>> seen;
    // Reads the text font of the modal box on screen, then closes it.
    auto closeAndRead = [&](const std::string& name, const char* textObject) {
        QTimer::singleShot(0, [&seen, name, textObject] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr) << name;
            const QWidget* text = textObject ? box->findChild<QWidget*>(textObject) : box;
            ASSERT_NE(text, nullptr) << name;
            seen.emplace_back(name, FontOf(text));
            box->close();
        });
    };

    SharedMessageUtility().SetPresenter(std::make_shared<QtMessagePresenter>());
    closeAndRead("message box", "qt_msgbox_label");
    MsgBox("Group address is missed.", mbCritical);
    closeAndRead("about box", "qt_msgbox_label");
    SharedAboutBox().Show(&w, App(), "", nullptr, "");
    closeAndRead("file dialog", nullptr);
    FileDialog::SetPresenter(nullptr);
    FileDialog files;
    files.OwnerWindow(&w);
    EXPECT_FALSE(files.ShowOpen());
    ProxySettingsDialog::AnswerNext([&](ProxySettingsDialog& dialog) {
        seen.emplace_back("proxy dialog", FontOf(dialog.findChild<QWidget*>("optManual")));
    });
    ProxySettings().EditDialog();

    ASSERT_EQ(seen.size(), 4u);
    for (const auto& [name, font] : seen) {
        EXPECT_EQ(font.face, window.face) << name;
        EXPECT_EQ(font.points, window.points) << name;
    }
}

}  // namespace
}  // namespace qv
