// The look of a preview card: its colours, its background with the two outlines, and the round button
// symbols, drawn with QPainter so that they look the same with any icon theme. Main thread only.
#pragma once

#include <QColor>

class QPainter;
class QPalette;
class QRectF;

enum class PreviewSymbol { dismiss, copy, copied, speak, stopSpeaking };

struct CardStyle {
    QColor fill;
    QColor text;
    QColor symbol;
    QColor divider;
    QColor outerOutline;
    QColor innerOutline;

    // A light card for a light desktop theme, a dark one for a dark theme; both opaque, as an X display
    // without a compositor cannot show translucent windows.
    static CardStyle forPalette(const QPalette& palette);
};

// The card's rounded background and its outlines: black at 0.65 (0.5 wide, inset 0.75) and white at
// 0.15 (1 wide, inset 1).
void drawCardBackground(QPainter& painter, const QRectF& rect, double cornerSize, const CardStyle& style);

// A filled circle in `circle` that fills `bounds`, with the symbol's glyph cut out of it in `glyph`.
void drawSymbol(QPainter& painter, PreviewSymbol symbol, const QRectF& bounds, const QColor& circle,
                const QColor& glyph);
