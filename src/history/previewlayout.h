// Where the preview cards go: the parts of one card, the stack of cards at the bottom-right corner of a
// screen area, the way a card enters and leaves, and the window that holds them. Pure geometry in
// top-down points, any thread.
#pragma once

#include <QList>
#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QSizeF>

#include <array>

namespace PreviewLayout {

// The stack: 20 between cards, 20 from the trailing edge, 100 from the bottom edge.
inline constexpr double cardSpacing = 20;
inline constexpr double trailingPadding = 20;
inline constexpr double bottomPadding = 100;

// One card: a column of three buttons, a divider, and a text 270 wide.
inline constexpr double cornerSize = 14;
inline constexpr double textWidth = 270;
inline constexpr double buttonSize = 22;
inline constexpr double buttonSpacing = 8;
inline constexpr double contentSpacing = 8;
inline constexpr double contentPadding = 12;
inline constexpr double textLeadingPadding = 4;
inline constexpr double dividerPadding = 1.5;

// The parts of a card, relative to its top-left corner; buttons from top to bottom: dismiss, copy, speak.
struct CardGeometry {
    QSizeF size;
    std::array<QRectF, 3> buttons;
    QRectF divider;
    QRectF text;
};

// A card whose text is `textHeight` high; the card is never shorter than its button column.
CardGeometry cardGeometry(double textHeight);

// The cards of `sizes` (oldest first) stacked upwards from the bottom-right corner of `area`, aligned on
// its trailing edge: the newest at the bottom, 100 above the area's bottom edge and 20 from its right.
QList<QRectF> stack(const QRectF& area, const QList<QSizeF>& sizes);

// A card enters from the bottom edge of the area: it starts right below it, at its final x.
QPointF enteringOrigin(const QRectF& target, const QRectF& area);
// A card leaves towards the trailing edge: it ends right beyond it, at its current y.
QPointF leavingOrigin(const QRectF& current, const QRectF& area);

// The window that shows `cards`: from their top-left-most corner to the area's bottom-right corner, so
// that it also holds every card's way in and out; clipped to the area. Empty without cards or area.
QRect windowGeometry(const QRectF& area, const QList<QRectF>& cards);

// The pixels of a `size` rectangle with circular corners of `radius`: a pixel belongs to it when its
// centre does.
QRegion roundedRegion(const QSize& size, double radius);

} // namespace PreviewLayout
