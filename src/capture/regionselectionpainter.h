// Draws the layers of the region-selection overlay onto a painter, bottom to top: the screen image,
// the hint, the crosshair, the selection, the pointer mark and the web-search badge, each from a plain
// description of the frame. No widget code; main thread (fonts); nothing can fail.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

// One frame of the overlay, in overlay points.
struct RegionSelectionScene {
    QSizeF size;
    double scale = 1.0; // device pixels per point of the painter's target
    QPointF pointer;
    double thickness = 3.0;
    QRectF selection;
    bool isDragging = false;
    bool isMovingCaptureArea = false;
    double hintOpacity = 1.0;   // 0 hidden, 1 shown
    double badgeProgress = 0.0; // 0 hidden, 1 shown, in between on the way
    QString hintText;
    QFont hintFont;
    QColor accent;
};

namespace RegionSelectionPainter {

// The hint's font made from the application font.
QFont hintFont(const QFont& applicationFont);

void drawBackground(QPainter& painter, const QImage& background);
void drawHint(QPainter& painter, const RegionSelectionScene& scene);
void drawCrosshair(QPainter& painter, const RegionSelectionScene& scene);
void drawSelection(QPainter& painter, const RegionSelectionScene& scene);
void drawPointerMark(QPainter& painter, const RegionSelectionScene& scene);
void drawWebSearchBadge(QPainter& painter, const RegionSelectionScene& scene);

} // namespace RegionSelectionPainter
