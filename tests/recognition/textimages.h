// Screen-like images of text for the recognition tests, drawn with QPainter (needs a QGuiApplication).
#pragma once

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>

namespace TextImages {

inline QFont font(const QString& family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    return font;
}

// Whether the family is installed (Qt would otherwise draw with a fallback font).
inline bool hasFont(const QString& family)
{
    return QFontInfo(font(family, 12)).family() == family;
}

// The lines one below the other at pixelSize * scale, with margin * scale of background all round.
inline QImage render(const QStringList& lines, const QString& family, int pixelSize, QColor ink,
                     QColor background, int scale = 1, int margin = 6)
{
    const QFont drawn = font(family, pixelSize * scale);
    const QFontMetrics metrics(drawn);
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int gap = margin * scale;
    QImage image(width + 2 * gap, int(lines.size()) * metrics.lineSpacing() + 2 * gap, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setFont(drawn);
    painter.setPen(ink);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(gap, gap + metrics.ascent() + i * metrics.lineSpacing(), lines[i]);
    return image;
}

} // namespace TextImages
