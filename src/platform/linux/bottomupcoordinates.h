// Conversions between Qt's global top-down points and the global bottom-up points the models use: the
// bottom-up origin is the bottom-left corner of the primary screen and y grows upwards. Pure functions,
// any thread; every conversion takes the primary screen's frame in Qt's top-down points.
#pragma once

#include <QPointF>
#include <QRectF>

namespace BottomUpCoordinates {

inline QPointF fromTopDown(QPointF point, const QRectF& primaryFrame)
{
    return {point.x() - primaryFrame.left(), primaryFrame.top() + primaryFrame.height() - point.y()};
}

inline QPointF toTopDown(QPointF point, const QRectF& primaryFrame)
{
    return {point.x() + primaryFrame.left(), primaryFrame.top() + primaryFrame.height() - point.y()};
}

// A rectangle keeps its size; its lowest edge in bottom-up points is its lowest edge on screen.
inline QRectF fromTopDown(const QRectF& rect, const QRectF& primaryFrame)
{
    const QPointF bottomLeft = fromTopDown(QPointF(rect.left(), rect.top() + rect.height()), primaryFrame);
    return {bottomLeft, rect.size()};
}

inline QRectF toTopDown(const QRectF& rect, const QRectF& primaryFrame)
{
    const QPointF topLeft = toTopDown(QPointF(rect.left(), rect.top() + rect.height()), primaryFrame);
    return {topLeft, rect.size()};
}

} // namespace BottomUpCoordinates
