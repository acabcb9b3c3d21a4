#include "historyitemdelegate.h"

#include "historytablemodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {

QColor textColor(const QStyleOptionViewItem& option, int column)
{
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                               : QPalette::Inactive;
    if (option.state & QStyle::State_Selected)
        return option.palette.color(group, QPalette::HighlightedText);
    QColor color = option.palette.color(group, QPalette::Text);
    if (column != HistoryTableModel::ContentColumn)
        color.setAlphaF(0.62f);
    return color;
}

} // namespace

void HistoryItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    // Straight from the model: the option's text has its line feeds turned into line separators.
    const QString text = index.data(Qt::DisplayRole).toString();
    cell.text.clear();
    cell.state &= ~QStyle::State_HasFocus; // rows are selected whole; no focus frame around one cell
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    const QRect area =
        cell.rect.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    if (area.width() <= 0 || text.isEmpty())
        return;
    const bool isContent = index.column() == HistoryTableModel::ContentColumn;
    const QFont font = isContent ? cell.font : secondaryFont(cell.font);
    painter->save();
    painter->setClipRect(area);
    painter->setFont(font);
    painter->setPen(textColor(cell, index.column()));
    const QFontMetrics metrics(font);
    int baseline = area.top() + QFontMetrics(cell.font).ascent();
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (baseline - metrics.ascent() >= area.bottom())
            break;
        const QString shown = metrics.elidedText(line.toString(), Qt::ElideRight, area.width());
        painter->drawText(QPoint(area.left(), baseline), shown);
        baseline += metrics.lineSpacing();
    }
    painter->restore();
}

QFont HistoryItemDelegate::secondaryFont(const QFont& font)
{
    QFont smaller = font;
    if (font.pointSizeF() > 0)
        smaller.setPointSizeF(font.pointSizeF() * 0.88);
    else
        smaller.setPixelSize(std::max(1, int(font.pixelSize() * 0.88)));
    return smaller;
}

QSize HistoryItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int lines = index.column() == HistoryTableModel::ContentColumn
                          ? std::max(index.data(HistoryTableModel::LineCountRole).toInt(), 1)
                          : 1;
    const QFontMetrics metrics(option.font);
    const int height = metrics.height() + (lines - 1) * metrics.lineSpacing() + 2 * verticalPadding;
    return {option.rect.width(), height};
}

bool HistoryItemDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                    const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (!event || !view || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString text = index.data(Qt::ToolTipRole).toString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    // Markup in a captured text is shown as it is, never interpreted.
    const QString html = QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(text.toHtmlEscaped());
    QToolTip::showText(event->globalPos(), html, view->viewport(), option.rect);
    return true;
}
