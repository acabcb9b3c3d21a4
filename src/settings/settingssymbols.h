// The small line drawings of the settings tabs and the welcome steps, painted as vectors in a given
// colour so that they stay sharp at every scale and follow light and dark palettes. Main thread only.
#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>

class QPainter;

enum class SettingsSymbol { gearshape, textMagnifyingglass, crop, paperclip, globe };

// Paints the symbol centred in the largest square that fits in `rect`.
void paintSettingsSymbol(QPainter& painter, SettingsSymbol symbol, const QRectF& rect, const QColor& color);

// One symbol in the window text colour, `size` px square, at the top of a fixed-width column.
class SettingsSymbolView : public QWidget {
    Q_OBJECT
public:
    SettingsSymbolView(SettingsSymbol symbol, int size, int columnWidth, QWidget* parent = nullptr);

    SettingsSymbol symbol() const { return m_symbol; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SettingsSymbol m_symbol;
    int m_size;
};
