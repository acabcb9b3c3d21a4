#include "statusitemicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace StatusItemIcon {

namespace {

// The glyph on the pixel grid of a `pixels`-square image with strokes `stroke` pixels wide: four corner
// brackets and lines of "text" of falling length (two at small sizes, so that they stay apart). Every
// stroke is centred on whole pixels, so that it is crisp at every size.
QPainterPath glyph(int pixels, int stroke)
{
    const qreal offset = (stroke % 2) ? 0.5 : 0.0;
    const auto at = [&](qreal unit) { return std::round(unit * pixels / 16.0) + offset; };
    QPainterPath path;
    const qreal low = at(1.5), high = at(14.5) - (stroke % 2 ? 1 : 0), arm = std::round(4.5 * pixels / 16.0);
    const QPointF corners[4] = {{low, low}, {high, low}, {high, high}, {low, high}};
    for (int i = 0; i < 4; ++i) {
        const QPointF c = corners[i];
        const qreal dx = (i == 0 || i == 3) ? arm : -arm;
        const qreal dy = (i == 0 || i == 1) ? arm : -arm;
        path.moveTo(c.x() + dx, c.y());
        path.lineTo(c.x(), c.y());
        path.lineTo(c.x(), c.y() + dy);
    }
    const int count = pixels < 32 ? 2 : 3;
    const qreal spacing = count == 2 ? 4.0 : 3.0;
    const qreal top = 8.0 - spacing * (count - 1) / 2;
    for (int i = 0; i < count; ++i) {
        const qreal y = at(top + i * spacing);
        path.moveTo(at(5.0), y);
        path.lineTo(at(i == count - 1 ? 8.5 : 11.0), y);
    }
    return path;
}

} // namespace

QImage draw(int size, qreal devicePixelRatio)
{
    const int pixels = qRound(size * devicePixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // A light glyph inside a one-pixel dark rim: light on dark panels, outlined on light ones.
    const int stroke = std::max(1, qRound(pixels / 13.0));
    const QPainterPath path = glyph(pixels, stroke);
    painter.strokePath(path,
                       QPen(QColor(24, 24, 24), stroke + 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.strokePath(path,
                       QPen(QColor(248, 248, 248), stroke, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QIcon make()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(draw(size)));
    return icon;
}

} // namespace StatusItemIcon
