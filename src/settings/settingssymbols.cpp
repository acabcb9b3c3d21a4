#include "settingssymbols.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace {

// Each symbol is drawn in a 24 x 24 box; the painter is scaled to the target square.
constexpr qreal box = 24.0;

void gearshape(QPainter& painter)
{
    constexpr int teeth = 8;
    constexpr qreal outer = 10.5, inner = 7.8, hole = 3.4;
    QPainterPath gear;
    for (int i = 0; i < teeth * 4; ++i) {
        // Each tooth: a rising flank, the flat top, a falling flank, the gap.
        const qreal angle = (i - 0.5) * 2 * std::numbers::pi / (teeth * 4);
        const qreal radius = (i % 4 == 1 || i % 4 == 2) ? outer : inner;
        const QPointF point(12 + radius * std::cos(angle), 12 + radius * std::sin(angle));
        if (i == 0)
            gear.moveTo(point);
        else
            gear.lineTo(point);
    }
    gear.closeSubpath();
    gear.addEllipse(QPointF(12, 12), hole, hole);
    gear.setFillRule(Qt::OddEvenFill);
    painter.fillPath(gear, painter.pen().color());
}

void textMagnifyingglass(QPainter& painter)
{
    painter.drawLine(QPointF(3, 6), QPointF(15, 6));
    painter.drawLine(QPointF(3, 11), QPointF(9, 11));
    painter.drawLine(QPointF(3, 16), QPointF(8, 16));
    painter.drawEllipse(QPointF(15, 14), 4.5, 4.5);
    painter.drawLine(QPointF(18.3, 17.3), QPointF(21.5, 20.5));
}

void crop(QPainter& painter)
{
    painter.drawPolyline(QPolygonF({QPointF(7, 2.5), QPointF(7, 17), QPointF(21.5, 17)}));
    painter.drawPolyline(QPolygonF({QPointF(2.5, 7), QPointF(17, 7), QPointF(17, 21.5)}));
}

void paperclip(QPainter& painter)
{
    painter.save();
    painter.translate(12, 12);
    painter.rotate(40);
    painter.translate(-12, -12);
    // From the inner end out: up the middle, round the top, down the left, round the bottom, up the
    // right side.
    QPainterPath clip;
    clip.moveTo(12, 16);
    clip.lineTo(12, 6.5);
    clip.arcTo(QRectF(12, 4, 5, 5), 180, -180);
    clip.lineTo(17, 18);
    clip.arcTo(QRectF(7, 13, 10, 10), 0, -180);
    clip.lineTo(7, 4.5);
    clip.arcTo(QRectF(7, 0.5, 8, 8), 180, -180);
    clip.lineTo(15, 8);
    painter.drawPath(clip);
    painter.restore();
}

void globe(QPainter& painter)
{
    painter.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    painter.drawEllipse(QPointF(12, 12), 4.2, 9.5);
    painter.drawLine(QPointF(2.5, 12), QPointF(21.5, 12));
    QPainterPath latitudes;
    latitudes.moveTo(4.2, 6.8);
    latitudes.quadTo(12, 9.2, 19.8, 6.8);
    latitudes.moveTo(4.2, 17.2);
    latitudes.quadTo(12, 14.8, 19.8, 17.2);
    painter.drawPath(latitudes);
}

} // namespace

void paintSettingsSymbol(QPainter& painter, SettingsSymbol symbol, const QRectF& rect, const QColor& color)
{
    const qreal side = qMin(rect.width(), rect.height());
    if (side <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / box, side / box);
    QPen pen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    switch (symbol) {
    case SettingsSymbol::gearshape:
        gearshape(painter);
        break;
    case SettingsSymbol::textMagnifyingglass:
        textMagnifyingglass(painter);
        break;
    case SettingsSymbol::crop:
        crop(painter);
        break;
    case SettingsSymbol::paperclip:
        paperclip(painter);
        break;
    case SettingsSymbol::globe:
        globe(painter);
        break;
    }
    painter.restore();
}

SettingsSymbolView::SettingsSymbolView(SettingsSymbol symbol, int size, int columnWidth, QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_size(size)
{
    setFixedWidth(qMax(size, columnWidth));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
}

QSize SettingsSymbolView::sizeHint() const
{
    return {width(), m_size};
}

void SettingsSymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF square((width() - m_size) / 2.0, 0, m_size, m_size);
    paintSettingsSymbol(painter, m_symbol, square, palette().color(QPalette::WindowText));
}
