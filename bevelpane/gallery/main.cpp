// SPDX-License-Identifier: GPL-3.0-or-later
// bevelpane-gallery: renders the five border styles of the Panel, side by side and captioned, into
// one PNG, with the default colours of the current desktop palette. Runs without a display.
#include <QApplication>
#include <QCommandLineParser>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <cstdio>

#include "Panel.h"

namespace {

constexpr int kMargin = 12;
constexpr int kGap = 12;

struct Style {
    Bevelpane::PanelBorderStyle_Const value;
    const char* name;
};
constexpr Style kStyles[] = {
    {Bevelpane::pbsNone, "pbsNone"},
    {Bevelpane::pbsFlat, "pbsFlat"},
    {Bevelpane::pbsFlatShadow, "pbsFlatShadow"},
    {Bevelpane::pbs3DInset, "pbs3DInset"},
    {Bevelpane::pbs3DRaised, "pbs3DRaised"},
};
constexpr int kStyleCount = int(std::size(kStyles));

int Fail(const QString& message) {
    std::fprintf(stderr, "bevelpane-gallery: %s\n", qPrintable(message));
    return 2;
}

// The panels at their true size, before any magnification, on the base colour so that even the
// face-only style stands out.
QImage RenderPanels(QSize panelSize) {
    QImage image(2 * kMargin + kStyleCount * panelSize.width() + (kStyleCount - 1) * kGap,
                 2 * kMargin + panelSize.height(), QImage::Format_RGB32);
    image.fill(QApplication::palette().color(QPalette::Base));
    QPainter painter(&image);
    for (int i = 0; i < kStyleCount; ++i) {
        Bevelpane::Panel panel;
        panel.InitProperties();
        panel.SetBorderStyle(kStyles[i].value);
        panel.resize(panelSize);
        panel.render(&painter, QPoint(kMargin + i * (panelSize.width() + kGap), kMargin));
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("bevelpane-gallery"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Renders the five Bevelpane border styles into one PNG."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption({QStringLiteral("s"), QStringLiteral("size")},
                                        QStringLiteral("Size of each panel in pixels (default 96x48)."),
                                        QStringLiteral("WIDTHxHEIGHT"), QStringLiteral("96x48"));
    const QCommandLineOption scaleOption(QStringLiteral("scale"),
                                         QStringLiteral("Magnify N times, pixel for pixel (default 1)."),
                                         QStringLiteral("N"), QStringLiteral("1"));
    parser.addOption(sizeOption);
    parser.addOption(scaleOption);
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("The PNG file to write."));
    parser.process(app);

    if (parser.positionalArguments().size() != 1) return Fail(QStringLiteral("give one output file"));
    const QString output = parser.positionalArguments().first();

    const auto size =
        QRegularExpression(QStringLiteral("^(\\d{1,4})x(\\d{1,4})$")).match(parser.value(sizeOption));
    const int width = size.hasMatch() ? size.captured(1).toInt() : 0;
    const int height = size.hasMatch() ? size.captured(2).toInt() : 0;
    if (width < 1 || height < 1 || width > 2000 || height > 2000) {
        return Fail(QStringLiteral("--size wants WIDTHxHEIGHT between 1x1 and 2000x2000"));
    }
    bool scaleOk = false;
    const int scale = parser.value(scaleOption).toInt(&scaleOk);
    if (!scaleOk || scale < 1 || scale > 16)
        return Fail(QStringLiteral("--scale wants a whole number from 1 to 16"));

    const QImage panels = RenderPanels(QSize(width, height));
    const QImage magnified =
        panels.scaled(panels.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);

    // Captions go on after magnifying, so the text stays sharp.
    QFont font = QApplication::font();
    font.setPixelSize(11 + 2 * scale);
    const int captionHeight = QFontMetrics(font).height() + kMargin * scale / 2;
    QImage gallery(magnified.width(), magnified.height() + captionHeight, QImage::Format_RGB32);
    gallery.fill(QApplication::palette().color(QPalette::Base));
    QPainter painter(&gallery);
    painter.drawImage(0, 0, magnified);
    painter.setFont(font);
    painter.setPen(QApplication::palette().color(QPalette::WindowText));
    for (int i = 0; i < kStyleCount; ++i) {
        const int left = (kMargin + i * (width + kGap)) * scale;
        const QRect caption(left - kGap * scale / 2, magnified.height() - kMargin * scale / 2,
                            (width + kGap) * scale, captionHeight);
        painter.drawText(caption, Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(kStyles[i].name));
    }
    painter.end();

    if (!gallery.save(output, "PNG")) {
        std::fprintf(stderr, "bevelpane-gallery: cannot write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
