// The look of the application's prominent push buttons: the label in the primary text colour, centred
// on a softly rounded plate that takes the full width the layout offers and is at least 28 px high,
// filled with the accent colour when active and with gray otherwise, and darkened while pressed. Every
// other control is drawn by the base style. Main thread only.
#pragma once

#include <QColor>
#include <QProxyStyle>

#include <optional>

class QPushButton;

class ActionButtonStyle : public QProxyStyle {
    Q_OBJECT
public:
    static constexpr int defaultMinimumHeight = 28;
    static constexpr qreal cornerRadius = 3.5;
    // Added to each colour component of the plate while the button is held down.
    static constexpr qreal pressedBrightnessChange = -0.15;

    // On top of the application's style.
    explicit ActionButtonStyle(bool isActive);

    // Gives the button this look: the style belongs to the button, which stretches sideways and is at
    // least `minimumHeight` and at most `maximumHeight` (no bound when none) high.
    static ActionButtonStyle* apply(QPushButton* button, bool isActive,
                                    int minimumHeight = defaultMinimumHeight,
                                    std::optional<int> maximumHeight = std::nullopt);

    bool isActive() const { return m_isActive; }
    int minimumHeight() const { return m_minimumHeight; }

    // The accent colour of the palette (its highlight) or gray, with the pressed change applied.
    static QColor plateColor(const QPalette& palette, bool isActive, bool isPressed);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contentsSize,
                           const QWidget* widget = nullptr) const override;

private:
    bool m_isActive;
    int m_minimumHeight = defaultMinimumHeight;
};
