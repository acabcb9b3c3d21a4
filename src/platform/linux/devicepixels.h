// Conversions between X pixels and Qt's global top-down points. Qt keeps each screen's top-left corner
// where the X server puts it and divides distances from it by the screen's scale, so a screen of
// 1280x900 pixels at x 1280 with scale 2 is 640x450 points at x 1280. Pure functions, any thread.
#pragma once

#include <QList>
#include <QRect>
#include <QRectF>

namespace DevicePixels {

struct ScreenScale {
    QRectF frame;       // top-down points
    double scale = 1.0; // pixels per point
};

inline double usableScale(double scale)
{
    return scale > 0 ? scale : 1.0;
}

// The screen's frame in X pixels.
inline QRectF pixelFrame(const ScreenScale& screen)
{
    return {screen.frame.topLeft(), screen.frame.size() * usableScale(screen.scale)};
}

inline QRectF toPoints(const QRectF& pixels, const ScreenScale& screen)
{
    const double scale = usableScale(screen.scale);
    const QPointF origin = screen.frame.topLeft();
    return {origin + (pixels.topLeft() - origin) / scale, pixels.size() / scale};
}

// The part of a rectangle in points that lies on the screen, in X pixels (the smallest whole pixels
// holding it); empty when it misses the screen.
inline QRect toPixels(const QRectF& points, const ScreenScale& screen)
{
    const QRectF onScreen = points.intersected(screen.frame);
    if (onScreen.isEmpty())
        return {};
    const double scale = usableScale(screen.scale);
    const QPointF origin = screen.frame.topLeft();
    const QPointF topLeft = origin + (onScreen.topLeft() - origin) * scale;
    const QPointF bottomRight = origin + (onScreen.bottomRight() - origin) * scale;
    return QRectF(topLeft, bottomRight).toAlignedRect();
}

// The screen a rectangle in X pixels is on: the one holding its centre, else the one it overlaps most;
// -1 when it is on none.
inline qsizetype screenIndexForPixels(const QList<ScreenScale>& screens, const QRectF& pixels)
{
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (pixelFrame(screens[i]).contains(pixels.center()))
            return i;
    }
    qsizetype best = -1;
    double bestArea = 0;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QRectF overlap = pixelFrame(screens[i]).intersected(pixels);
        const double area = overlap.width() * overlap.height();
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

// A rectangle in X pixels in points of the screen it is on; unchanged when it is on none.
inline QRectF toPoints(const QList<ScreenScale>& screens, const QRectF& pixels)
{
    const qsizetype index = screenIndexForPixels(screens, pixels);
    return index < 0 ? pixels : toPoints(pixels, screens[index]);
}

} // namespace DevicePixels
