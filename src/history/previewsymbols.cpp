#include "previewsymbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace {

// Glyphs are drawn in a 20 by 20 box centred on the symbol.
constexpr double glyphBox = 20;

QPen glyphPen(const QColor& color, double width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawCross(QPainter& painter, const QColor& glyph)
{
    painter.setPen(glyphPen(glyph, 1.9));
    painter.drawLine(QPointF(-4.2, -4.2), QPointF(4.2, 4.2));
    painter.drawLine(QPointF(-4.2, 4.2), QPointF(4.2, -4.2));
}

void drawCheckmark(QPainter& painter, const QColor& glyph)
{
    painter.setPen(glyphPen(glyph, 2.0));
    const QPointF points[] = {{-4.6, 0.4}, {-1.4, 3.7}, {4.8, -3.8}};
    painter.drawPolyline(points, 3);
}

void drawPaperclip(QPainter& painter, const QColor& glyph)
{
    // An outer loop down and round, up the other side and a smaller turn into the inner leg.
    QPainterPath clip;
    clip.moveTo(2.3, -3.2);
    clip.lineTo(2.3, 2.9);
    clip.arcTo(QRectF(-2.3, 0.6, 4.6, 4.6), 0, -180);
    clip.lineTo(-2.3, -4.4);
    clip.arcTo(QRectF(-2.3, -6.0, 3.2, 3.2), 180, -180);
    clip.lineTo(0.9, 2.4);
    painter.save();
    painter.rotate(40);
    painter.scale(1.2, 1.2);
    painter.setPen(glyphPen(glyph, 1.25));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(clip);
    painter.restore();
}

void drawSpeakerBody(QPainter& painter, const QColor& glyph, double shift)
{
    QPainterPath body;
    body.moveTo(-5.2 + shift, -1.9);
    body.lineTo(-2.8 + shift, -1.9);
    body.lineTo(0.4 + shift, -4.8);
    body.lineTo(0.4 + shift, 4.8);
    body.lineTo(-2.8 + shift, 1.9);
    body.lineTo(-5.2 + shift, 1.9);
    body.closeSubpath();
    painter.setPen(glyphPen(glyph, 0.8));
    painter.setBrush(glyph);
    painter.drawPath(body);
}

void drawSpeaker(QPainter& painter, const QColor& glyph)
{
    drawSpeakerBody(painter, glyph, -0.6);
    painter.setPen(glyphPen(glyph, 1.3));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(-2.6, -2.6, 5.2, 5.2), -50 * 16, 100 * 16);
    painter.drawArc(QRectF(-5.4, -5.4, 10.8, 10.8), -50 * 16, 100 * 16);
}

void drawStruckSpeaker(QPainter& painter, const QColor& circle, const QColor& glyph)
{
    drawSpeakerBody(painter, glyph, 0.6);
    // The stroke is set off from the body by a rim in the circle's colour.
    const QPointF from(-5.0, -5.0);
    const QPointF to(5.0, 5.0);
    painter.setPen(glyphPen(circle, 3.4));
    painter.drawLine(from, to);
    painter.setPen(glyphPen(glyph, 1.4));
    painter.drawLine(from, to);
}

} // namespace

CardStyle CardStyle::forPalette(const QPalette& palette)
{
    if (palette.color(QPalette::Window).lightness() < 128) {
        return {QColor(44, 45, 50),        QColor(238, 238, 242), QColor(214, 214, 220),
                QColor(255, 255, 255, 36), QColor(0, 0, 0, 166),  QColor(255, 255, 255, 38)};
    }
    return {QColor(246, 246, 248), QColor(28, 28, 30),   QColor(72, 72, 78),
            QColor(0, 0, 0, 30),   QColor(0, 0, 0, 166), QColor(255, 255, 255, 38)};
}

void drawCardBackground(QPainter& painter, const QRectF& rect, double cornerSize, const CardStyle& style)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(style.fill);
    painter.drawRoundedRect(rect, cornerSize, cornerSize);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(style.outerOutline, 0.5));
    painter.drawRoundedRect(rect.adjusted(0.75, 0.75, -0.75, -0.75), cornerSize - 0.75, cornerSize - 0.75);
    painter.setPen(QPen(style.innerOutline, 1));
    painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), cornerSize - 1, cornerSize - 1);
    painter.restore();
}

void drawSymbol(QPainter& painter, PreviewSymbol symbol, const QRectF& bounds, const QColor& circle,
                const QColor& glyph)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(circle);
    const double diameter = std::min(bounds.width(), bounds.height()) - 2;
    painter.drawEllipse(bounds.center(), diameter / 2, diameter / 2);
    painter.translate(bounds.center());
    painter.scale(diameter / glyphBox, diameter / glyphBox);
    switch (symbol) {
    case PreviewSymbol::dismiss:
        drawCross(painter, glyph);
        break;
    case PreviewSymbol::copy:
        drawPaperclip(painter, glyph);
        break;
    case PreviewSymbol::copied:
        drawCheckmark(painter, glyph);
        break;
    case PreviewSymbol::speak:
        drawSpeaker(painter, glyph);
        break;
    case PreviewSymbol::stopSpeaking:
        drawStruckSpeaker(painter, circle, glyph);
        break;
    }
    painter.restore();
}
