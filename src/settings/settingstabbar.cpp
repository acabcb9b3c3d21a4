#include "settingstabbar.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

constexpr int imageSize = 22;
constexpr int imageLabelSpacing = 3;
constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 5;
constexpr qreal plateRadius = 6;

// The plate behind the chosen tab: the window text faintly over the window.
QColor plateColor(const QPalette& palette)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.12f);
    return color;
}

} // namespace

SettingsTabButton::SettingsTabButton(const QString& label, std::optional<SettingsSymbol> symbol,
                                     QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
{
    setText(label);
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(label);
}

void SettingsTabButton::setIcon(const QIcon& icon)
{
    m_icon = icon;
    update();
}

QSize SettingsTabButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int width = qMax(imageSize, metrics.horizontalAdvance(text())) + 2 * horizontalPadding;
    const int height = imageSize + imageLabelSpacing + metrics.height() + 2 * verticalPadding;
    // Tabs of short labels are as wide as a comfortable target.
    return {qMax(width, 64), height};
}

void SettingsTabButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (isChecked() || isDown()) {
        QPainterPath plate;
        plate.addRoundedRect(bounds, plateRadius, plateRadius);
        painter.fillPath(plate, plateColor(palette()));
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    const QColor color =
        isChecked() ? palette().color(QPalette::Highlight) : palette().color(QPalette::WindowText);
    const QRect image((width() - imageSize) / 2, verticalPadding, imageSize, imageSize);
    if (!m_icon.isNull())
        m_icon.paint(&painter, image);
    else if (m_symbol)
        paintSettingsSymbol(painter, *m_symbol, image, color);
    const QRect label(0, image.bottom() + 1 + imageLabelSpacing, width(), QFontMetrics(font()).height());
    painter.setPen(isChecked() ? color : palette().color(QPalette::WindowText));
    painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop, text());
}

SettingsTabBar::SettingsTabBar(QWidget* parent)
    : QWidget(parent)
    , m_row(new QHBoxLayout(this))
    , m_group(new QButtonGroup(this))
{
    m_row->setContentsMargins(8, 6, 8, 6);
    m_row->setSpacing(2);
    m_row->addStretch(1);
    m_row->addStretch(1);
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idClicked, this, &SettingsTabBar::tabClicked);
}

SettingsTabButton* SettingsTabBar::addTab(const QString& label, std::optional<SettingsSymbol> symbol)
{
    auto* button = new SettingsTabButton(label, symbol, this);
    m_group->addButton(button, count());
    // Between the two stretches that centre the row.
    m_row->insertWidget(m_row->count() - 1, button);
    m_buttons.append(button);
    if (count() == 1)
        button->setChecked(true);
    return button;
}

int SettingsTabBar::currentIndex() const
{
    return m_group->checkedId();
}

void SettingsTabBar::setCurrentIndex(int index)
{
    if (SettingsTabButton* button = tab(index))
        button->setChecked(true);
}

void SettingsTabBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor line = palette().color(QPalette::WindowText);
    line.setAlphaF(0.18f);
    painter.fillRect(QRect(0, height() - 1, width(), 1), line);
}
