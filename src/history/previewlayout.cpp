#include "previewlayout.h"

#include <algorithm>
#include <cmath>

namespace PreviewLayout {

CardGeometry cardGeometry(double textHeight)
{
    CardGeometry card;
    const double columnHeight = 3 * buttonSize + 2 * buttonSpacing + 2 * contentPadding;
    const double height = std::max(columnHeight, textHeight + 2 * contentPadding);
    double y = contentPadding;
    for (QRectF& button : card.buttons) {
        button = QRectF(contentPadding, y, buttonSize, buttonSize);
        y += buttonSize + buttonSpacing;
    }
    const double dividerX = contentPadding + buttonSize + contentSpacing;
    card.divider = QRectF(dividerX, dividerPadding, 1, height - 2 * dividerPadding);
    const double textX = dividerX + 1 + contentSpacing + textLeadingPadding;
    card.text = QRectF(textX, contentPadding, textWidth, textHeight);
    card.size = QSizeF(textX + textWidth + contentPadding, height);
    return card;
}

QList<QRectF> stack(const QRectF& area, const QList<QSizeF>& sizes)
{
    QList<QRectF> rects(sizes.size());
    const double right = area.right() - trailingPadding;
    double bottom = area.bottom() - bottomPadding;
    for (qsizetype i = sizes.size() - 1; i >= 0; --i) {
        const QSizeF& size = sizes.at(i);
        rects[i] = QRectF(right - size.width(), bottom - size.height(), size.width(), size.height());
        bottom -= size.height() + cardSpacing;
    }
    return rects;
}

QPointF enteringOrigin(const QRectF& target, const QRectF& area)
{
    return {target.left(), area.bottom()};
}

QPointF leavingOrigin(const QRectF& current, const QRectF& area)
{
    return {area.right(), current.top()};
}

QRect windowGeometry(const QRectF& area, const QList<QRectF>& cards)
{
    if (cards.isEmpty() || area.isEmpty())
        return {};
    double left = area.right();
    double top = area.bottom();
    for (const QRectF& card : cards) {
        left = std::min(left, card.left());
        top = std::min(top, card.top());
    }
    const QRectF window(QPointF(std::max(left, area.left()), std::max(top, area.top())), area.bottomRight());
    return window.isEmpty() ? QRect() : window.toAlignedRect();
}

QRegion roundedRegion(const QSize& size, double radius)
{
    const int width = size.width();
    const int height = size.height();
    if (width <= 0 || height <= 0)
        return {};
    radius = std::clamp(radius, 0.0, std::min(width, height) / 2.0);
    // The middle band in one piece, then one row at a time where the corners cut in.
    const int rows = int(std::ceil(radius));
    QRegion region(0, rows, width, std::max(0, height - 2 * rows));
    for (int row = 0; row < std::min(rows, height); ++row) {
        const double dy = radius - (row + 0.5);
        const double inset = dy > 0 ? radius - std::sqrt(std::max(0.0, radius * radius - dy * dy)) : 0;
        const int cut = int(std::round(inset));
        const int span = width - 2 * cut;
        if (span <= 0)
            continue;
        region += QRect(cut, row, span, 1);
        region += QRect(cut, height - 1 - row, span, 1);
    }
    return region;
}

} // namespace PreviewLayout
