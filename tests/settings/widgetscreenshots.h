// Screenshots of the settings and welcome windows for people to look at: each in the Fusion style with
// its default light palette and with a dark palette, saved under screenshots/ in the build tree, with
// "@2x" in the name when the test runs at scale 2.
#pragma once

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QWidget>

namespace WidgetScreenshots {

inline QPalette darkPalette()
{
    QPalette palette;
    const QColor window(45, 45, 48), base(30, 30, 32), text(236, 236, 236), disabled(128, 128, 128);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, window);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(60, 60, 64));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::red);
    palette.setColor(QPalette::Light, QColor(80, 80, 84));
    palette.setColor(QPalette::Midlight, QColor(70, 70, 74));
    palette.setColor(QPalette::Mid, QColor(40, 40, 42));
    palette.setColor(QPalette::Dark, QColor(20, 20, 22));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Link, QColor(90, 160, 240));
    palette.setColor(QPalette::Highlight, QColor(42, 120, 210));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabled);
    return palette;
}

// Switches the whole application to Fusion, light or dark. Widgets made afterwards take it up.
inline void useFusion(bool dark)
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
}

// Saves the window's image as screenshots/<name>[-dark][@2x].png and answers the path.
inline QString save(QWidget& window, const QString& name, bool dark)
{
    const QString dir = QStringLiteral(OCULO_BINARY_DIR "/screenshots");
    QDir().mkpath(dir);
    const QPixmap image = window.grab();
    QString path = dir + u'/' + name + (dark ? QStringLiteral("-dark") : QString());
    if (image.devicePixelRatio() >= 2)
        path += QStringLiteral("@2x");
    path += QStringLiteral(".png");
    if (!image.save(path))
        return {};
    return path;
}

} // namespace WidgetScreenshots
