#include "actionbuttonstyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyleOptionButton>

namespace {

constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 5;

bool isPushButton(QStyle::ControlElement element)
{
    return element == QStyle::CE_PushButton || element == QStyle::CE_PushButtonBevel ||
           element == QStyle::CE_PushButtonLabel;
}

} // namespace

ActionButtonStyle::ActionButtonStyle(bool isActive)
    : m_isActive(isActive)
{}

ActionButtonStyle* ActionButtonStyle::apply(QPushButton* button, bool isActive, int minimumHeight,
                                            std::optional<int> maximumHeight)
{
    auto* style = new ActionButtonStyle(isActive);
    style->m_minimumHeight = minimumHeight;
    style->setParent(button);
    button->setStyle(style);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    button->setMinimumHeight(minimumHeight);
    if (maximumHeight)
        button->setMaximumHeight(*maximumHeight);
    button->setAttribute(Qt::WA_Hover, false);
    return style;
}

QColor ActionButtonStyle::plateColor(const QPalette& palette, bool isActive, bool isPressed)
{
    const QColor base =
        isActive ? palette.color(QPalette::Active, QPalette::Highlight) : QColor(142, 142, 147);
    if (!isPressed)
        return base;
    const auto darker = [](int component) {
        return qBound(0, component + qRound(pressedBrightnessChange * 255), 255);
    };
    return QColor(darker(base.red()), darker(base.green()), darker(base.blue()), base.alpha());
}

void ActionButtonStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                    const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (!button || !isPushButton(element)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const bool isPressed = button->state & (State_Sunken | State_On);
    const bool isEnabled = button->state & State_Enabled;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (element != CE_PushButtonLabel) {
        QPainterPath plate;
        plate.addRoundedRect(QRectF(button->rect), cornerRadius, cornerRadius);
        QColor fill = plateColor(button->palette, m_isActive, isPressed);
        if (!isEnabled)
            fill.setAlphaF(fill.alphaF() * 0.5f);
        painter->fillPath(plate, fill);
        if ((button->state & State_HasFocus) && (button->state & State_KeyboardFocusChange)) {
            QColor ring = button->palette.color(QPalette::WindowText);
            ring.setAlphaF(0.6f);
            painter->setPen(QPen(ring, 1.5));
            painter->drawPath(plate);
        }
    }
    if (element != CE_PushButtonBevel) {
        const QPalette::ColorGroup group = isEnabled ? QPalette::Active : QPalette::Disabled;
        painter->setPen(button->palette.color(group, QPalette::WindowText));
        painter->drawText(button->rect.adjusted(horizontalPadding, 0, -horizontalPadding, 0),
                          Qt::AlignCenter | Qt::TextShowMnemonic, button->text);
    }
    painter->restore();
}

QSize ActionButtonStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                          const QSize& contentsSize, const QWidget* widget) const
{
    if (type != CT_PushButton)
        return QProxyStyle::sizeFromContents(type, option, contentsSize, widget);
    return {contentsSize.width() + 2 * horizontalPadding,
            qMax(m_minimumHeight, contentsSize.height() + 2 * verticalPadding)};
}
