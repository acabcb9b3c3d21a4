#include "regionselectiongeometry.h"

#include <cmath>

namespace RegionSelectionGeometry {

QPointF roundedPointer(QPointF pointer)
{
    return QPointF(std::round(pointer.x()), std::round(pointer.y()));
}

QRectF verticalLine(QPointF pointer, double thickness, QSizeF viewSize)
{
    const QPointF p = roundedPointer(pointer);
    return QRectF(p.x() - thickness / 2, 0, thickness, viewSize.height());
}

QRectF horizontalLine(QPointF pointer, double thickness, QSizeF viewSize)
{
    const QPointF p = roundedPointer(pointer);
    return QRectF(0, p.y() - thickness / 2, viewSize.width(), thickness);
}

QRectF selectionRect(QPointF start, QSizeF translation)
{
    const double x = std::min(start.x(), start.x() + translation.width());
    const double y = std::min(start.y(), start.y() + translation.height());
    return QRectF(x, y, std::abs(translation.width()), std::abs(translation.height()));
}

QRectF pointerStem(QPointF pointer, double thickness)
{
    const QPointF p = roundedPointer(pointer);
    return QRectF(p.x(), p.y() + 3, thickness, pointerBarLength).translated(-thickness / 2, -thickness / 2);
}

QRectF pointerBar(QPointF pointer, double thickness)
{
    const QPointF p = roundedPointer(pointer);
    return QRectF(p.x() - 4.5, p.y(), pointerBarLength, thickness).translated(-thickness / 2, -thickness / 2);
}

QRectF badgeRect(QPointF pointer)
{
    const QPointF p = roundedPointer(pointer);
    const double side = badgeIconSize + 2 * badgePadding;
    return QRectF(p.x() + badgeOffset, p.y() + badgeOffset, side, side);
}

QRectF badgeIconRect(const QRectF& badge)
{
    return badge.adjusted(badgePadding, badgePadding, -badgePadding, -badgePadding);
}

QRectF hintCapsule(QSizeF textSize, QSizeF viewSize)
{
    const QSizeF size(textSize.width() + 2 * hintHorizontalPadding,
                      textSize.height() + 2 * hintVerticalPadding);
    return QRectF(QPointF((viewSize.width() - size.width()) / 2, (viewSize.height() - size.height()) / 2),
                  size);
}

QRectF alignedToPixels(const QRectF& rect, double scale)
{
    const auto snap = [scale](double v) { return std::round(v * scale) / scale; };
    return QRectF(QPointF(snap(rect.left()), snap(rect.top())),
                  QPointF(snap(rect.right()), snap(rect.bottom())));
}

QList<QRectF> insideBorder(const QRectF& rect, double width, double scale)
{
    const QRectF outer = alignedToPixels(rect, scale);
    if (outer.isEmpty())
        return {};
    const QRectF inner = alignedToPixels(outer.adjusted(width, width, -width, -width), scale);
    if (inner.isEmpty())
        return {outer};
    return {
        QRectF(QPointF(outer.left(), outer.top()), QPointF(outer.right(), inner.top())),
        QRectF(QPointF(outer.left(), inner.bottom()), QPointF(outer.right(), outer.bottom())),
        QRectF(QPointF(outer.left(), inner.top()), QPointF(inner.left(), inner.bottom())),
        QRectF(QPointF(inner.right(), inner.top()), QPointF(outer.right(), inner.bottom())),
    };
}

QList<QRectF> crosshairTiles(const QRectF& vertical, const QRectF& horizontal, double spread, QSizeF viewSize,
                             double scale)
{
    const QRectF view(QPointF(0, 0), viewSize);
    const QRectF column = alignedToPixels(vertical.adjusted(-spread, -spread, spread, spread), scale);
    const QRectF row = alignedToPixels(horizontal.adjusted(-spread, -spread, spread, spread), scale);
    // The column runs across the whole view, so the row outside it is all that is left.
    const QRectF left(QPointF(row.left(), row.top()),
                      QPointF(std::min(row.right(), column.left()), row.bottom()));
    const QRectF right(QPointF(std::max(row.left(), column.right()), row.top()), row.bottomRight());
    QList<QRectF> tiles;
    for (const QRectF& tile : {column, left, right}) {
        // An empty piece may be inverted, and intersecting would turn it round.
        if (tile.isEmpty())
            continue;
        const QRectF visible = tile.intersected(view);
        if (!visible.isEmpty())
            tiles.append(visible);
    }
    return tiles;
}

} // namespace RegionSelectionGeometry
