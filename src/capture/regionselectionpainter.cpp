#include "regionselectionpainter.h"

#include "regionselectiongeometry.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace RegionSelectionPainter {

namespace {

using namespace RegionSelectionGeometry;

constexpr double crosshairOpacity = 0.2;
constexpr double crosshairShadowOpacity = 0.6;
constexpr double crosshairShadowRadius = 1.0;
constexpr double selectionBorderOpacity = 0.8;
constexpr double selectionFillOpacity = 0.2;
constexpr double movingSelectionFillOpacity = 0.8;

// A light, translucent material with dark text: readable on light and dark screens alike, with a faint
// edge so that the capsule still stands out on white.
const QColor hintMaterial(246, 246, 246, 222);
const QColor hintEdge(0, 0, 0, 36);
const QColor hintText(29, 29, 31);
const QColor badgeMaterial(88, 88, 92, 232);

// The device pixels a rectangle aligned to them covers.
QRect devicePixels(const QRectF& rect, double scale)
{
    const auto px = [scale](double v) { return int(std::lround(v * scale)); };
    return QRect(QPoint(px(rect.left()), px(rect.top())),
                 QPoint(px(rect.right()) - 1, px(rect.bottom()) - 1));
}

QRectF points(const QRect& pixels, double scale)
{
    return QRectF(pixels.x() / scale, pixels.y() / scale, pixels.width() / scale, pixels.height() / scale);
}

// An offscreen layer over the given device pixels and `margin` more on every side, with `paint`
// drawing into it in overlay points.
QImage paintLayer(const QRect& pixels, double scale, int margin, const std::function<void(QPainter&)>& paint)
{
    const QRect area = pixels.adjusted(-margin, -margin, margin, margin);
    QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        painter.translate(-area.topLeft());
        painter.scale(scale, scale);
        paint(painter);
    }
    return layer;
}

// Averages each value with its neighbours up to `radius` away, across then down.
void boxBlur(std::vector<double>& values, int width, int height, int radius)
{
    std::vector<double> across(values.size());
    const double count = 2 * radius + 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double sum = 0;
            for (int i = std::max(0, x - radius); i <= std::min(width - 1, x + radius); ++i)
                sum += values[std::size_t(y) * width + i];
            across[std::size_t(y) * width + x] = sum / count;
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double sum = 0;
            for (int j = std::max(0, y - radius); j <= std::min(height - 1, y + radius); ++j)
                sum += across[std::size_t(j) * width + x];
            values[std::size_t(y) * width + x] = sum / count;
        }
    }
}

// The layer over a black shadow of itself, blurred by `radius` pixels.
QImage withShadow(const QImage& layer, int radius, double opacity)
{
    const int width = layer.width();
    const int height = layer.height();
    std::vector<double> alpha(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        for (int x = 0; x < width; ++x)
            alpha[std::size_t(y) * width + x] = qAlpha(line[x]);
    }
    boxBlur(alpha, width, height, radius);
    QImage result(layer.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgba(0, 0, 0, int(std::lround(alpha[std::size_t(y) * width + x] * opacity)));
    }
    {
        QPainter painter(&result);
        painter.drawImage(0, 0, layer);
    }
    return result;
}

// A black rectangle with a white edge just inside it.
void drawOutlinedBar(QPainter& painter, const QRectF& rect, double scale)
{
    const QRectF outer = alignedToPixels(rect, scale);
    painter.fillRect(outer, Qt::white);
    const QRectF inner =
        alignedToPixels(outer.adjusted(borderWidth, borderWidth, -borderWidth, -borderWidth), scale);
    if (!inner.isEmpty())
        painter.fillRect(inner, Qt::black);
}

// Text lines with a magnifier over their lower right, in a box of badgeIconSize points; the strokes
// run along pixel centres at scale 1.
QPainterPath magnifierOverText()
{
    QPainterPath path;
    path.moveTo(1, 1.5);
    path.lineTo(11, 1.5);
    path.moveTo(1, 4.5);
    path.lineTo(5, 4.5);
    path.moveTo(1, 7.5);
    path.lineTo(3.5, 7.5);
    path.addEllipse(QPointF(7.5, 7.5), 2.5, 2.5);
    path.moveTo(9.3, 9.3);
    path.lineTo(11, 11);
    return path;
}

} // namespace

QFont hintFont(const QFont& applicationFont)
{
    QFont font = applicationFont;
    font.setBold(true);
    const double size = applicationFont.pointSizeF() > 0 ? applicationFont.pointSizeF() + 4 : 14;
    font.setPointSizeF(std::clamp(size, 13.0, 15.0));
    return font;
}

void drawBackground(QPainter& painter, const QImage& background)
{
    if (!background.isNull())
        painter.drawImage(QPointF(0, 0), background);
}

void drawHint(QPainter& painter, const RegionSelectionScene& scene)
{
    if (scene.hintOpacity <= 0 || scene.hintText.isEmpty())
        return;
    const QFontMetricsF metrics(scene.hintFont);
    const QSizeF textSize(metrics.horizontalAdvance(scene.hintText), metrics.height());
    const QRectF capsule = alignedToPixels(hintCapsule(textSize, scene.size), scene.scale);
    const double radius = capsule.height() / 2;
    painter.save();
    painter.setOpacity(scene.hintOpacity);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(hintEdge, 1.0 / scene.scale));
    painter.setBrush(hintMaterial);
    const double inset = 0.5 / scene.scale;
    painter.drawRoundedRect(capsule.adjusted(inset, inset, -inset, -inset), radius - inset, radius - inset);
    painter.setFont(scene.hintFont);
    painter.setPen(hintText);
    painter.drawText(capsule, Qt::AlignCenter, scene.hintText);
    painter.restore();
}

void drawCrosshair(QPainter& painter, const RegionSelectionScene& scene)
{
    const QRectF vertical = verticalLine(scene.pointer, scene.thickness, scene.size);
    const QRectF horizontal = horizontalLine(scene.pointer, scene.thickness, scene.size);
    const auto paintLines = [&](QPainter& layer) {
        drawOutlinedBar(layer, vertical, scene.scale);
        drawOutlinedBar(layer, horizontal, scene.scale);
    };
    // The two lines and their shadow form one layer, made in pieces that leave out the empty screen.
    const int blur = std::max(1, int(std::lround(crosshairShadowRadius * scene.scale)));
    const double spread = 2 * crosshairShadowRadius;
    painter.save();
    painter.setOpacity(crosshairOpacity);
    for (const QRectF& tile : crosshairTiles(vertical, horizontal, spread, scene.size, scene.scale)) {
        const QRect pixels = devicePixels(tile, scene.scale);
        const QImage layer =
            withShadow(paintLayer(pixels, scene.scale, blur, paintLines), blur, crosshairShadowOpacity);
        painter.drawImage(points(pixels, scene.scale), layer, QRectF(QPointF(blur, blur), pixels.size()));
    }
    painter.restore();
}

void drawSelection(QPainter& painter, const RegionSelectionScene& scene)
{
    const QRectF area = alignedToPixels(scene.selection, scene.scale);
    if (area.isEmpty())
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Darken);
    painter.setOpacity(scene.isMovingCaptureArea ? movingSelectionFillOpacity : selectionFillOpacity);
    painter.fillRect(area, Qt::black);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(selectionBorderOpacity);
    for (const QRectF& strip : insideBorder(scene.selection, borderWidth, scene.scale))
        painter.fillRect(strip, Qt::white);
    painter.restore();
}

void drawPointerMark(QPainter& painter, const RegionSelectionScene& scene)
{
    const QRectF stem = alignedToPixels(pointerStem(scene.pointer, scene.thickness), scene.scale);
    const QRectF bar = alignedToPixels(pointerBar(scene.pointer, scene.thickness), scene.scale);
    if (scene.isDragging) {
        painter.fillRect(stem, scene.accent);
        painter.fillRect(bar, scene.accent);
        return;
    }
    // White inverted against whatever lies under it, so the mark shows on any screen.
    const QRect pixels = devicePixels(stem.united(bar), scene.scale);
    if (pixels.isEmpty())
        return;
    const QImage layer = paintLayer(pixels, scene.scale, 0, [&](QPainter& mark) {
        mark.fillRect(stem, Qt::white);
        mark.fillRect(bar, Qt::white);
    });
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.drawImage(points(pixels, scene.scale), layer);
    painter.restore();
}

void drawWebSearchBadge(QPainter& painter, const RegionSelectionScene& scene)
{
    if (scene.badgeProgress <= 0)
        return;
    const QRectF resting = badgeRect(scene.pointer);
    // Slides in from its trailing edge as it fades in, and out the same way.
    const QRectF badge = resting.translated((1 - scene.badgeProgress) * resting.width(), 0);
    painter.save();
    painter.setOpacity(std::min(scene.badgeProgress, 1.0));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(badgeMaterial);
    painter.drawRoundedRect(badge, badgeCornerRadius, badgeCornerRadius);
    QPen pen(Qt::white, 1.2);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.translate(badgeIconRect(badge).topLeft());
    painter.drawPath(magnifierOverText());
    painter.restore();
}

} // namespace RegionSelectionPainter
