// Where the region-selection overlay puts its layers, in overlay points (top-down from the capture
// screen's top-left corner): crosshair, selection, pointer mark, web-search badge and hint, plus the
// snapping that keeps their edges on whole device pixels. Pure functions, any thread; no failures.
#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace RegionSelectionGeometry {

// Width of the white edge just inside the crosshair lines and the selection.
inline constexpr double borderWidth = 1.0;
// Length of each bar of the pointer mark.
inline constexpr double pointerBarLength = 12.0;
// The web-search badge: its icon's side, the padding around it, its corner radius and its distance
// from the pointer.
inline constexpr double badgeIconSize = 12.0;
inline constexpr double badgePadding = 3.0;
inline constexpr double badgeCornerRadius = 3.0;
inline constexpr double badgeOffset = 5.0;
// Padding between the hint's text and its capsule.
inline constexpr double hintHorizontalPadding = 10.0;
inline constexpr double hintVerticalPadding = 6.0;

// The pointer rounded to whole points, halves away from zero.
QPointF roundedPointer(QPointF pointer);

// The crosshair: a line `thickness` wide across the full height, centred on the rounded pointer's x,
// and one `thickness` high across the full width, centred on its y.
QRectF verticalLine(QPointF pointer, double thickness, QSizeF viewSize);
QRectF horizontalLine(QPointF pointer, double thickness, QSizeF viewSize);

// The selection: the rectangle from `start` spanning `translation`, with non-negative width and height.
QRectF selectionRect(QPointF start, QSizeF translation);

// The pointer mark, a T below the pointer: the upright bar, then the cross bar.
QRectF pointerStem(QPointF pointer, double thickness);
QRectF pointerBar(QPointF pointer, double thickness);

// The web-search badge (icon plus padding) below and right of the pointer, and its icon.
QRectF badgeRect(QPointF pointer);
QRectF badgeIconRect(const QRectF& badge);

// The hint's capsule around text of the given size, centred in the view.
QRectF hintCapsule(QSizeF textSize, QSizeF viewSize);

// The rectangle with each edge moved to the nearest device pixel (`scale` pixels per point).
QRectF alignedToPixels(const QRectF& rect, double scale);

// A border `width` wide just inside `rect`, as non-overlapping strips (so a translucent border is
// evenly translucent), each aligned to device pixels. A rectangle too small for a hole is all border;
// an empty one has none.
QList<QRectF> insideBorder(const QRectF& rect, double width, double scale);

// The pieces a layer of the two crosshair lines is composited in: the vertical line and the two
// halves of the horizontal line beside it, each grown by `spread` (room for a shadow), aligned to
// device pixels and clipped to the view. They do not overlap and together cover both lines.
QList<QRectF> crosshairTiles(const QRectF& vertical, const QRectF& horizontal, double spread, QSizeF viewSize,
                             double scale);

} // namespace RegionSelectionGeometry
