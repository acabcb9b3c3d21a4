// Draws the cells of the history table: each cell's lines from the top, every line elided to the
// cell's width, the time and source columns smaller and in a quieter colour on the content's first
// baseline; sizes a row by the number of lines its
// content shows, without laying the text out, so that long histories and huge texts stay fast. Shows
// tooltips as plain text. Main thread only.
#pragma once

#include <QStyledItemDelegate>

class HistoryItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Space between a cell's edges and its text.
    static constexpr int horizontalPadding = 4;
    static constexpr int verticalPadding = 4;

    // The smaller font of the time and source columns (and of the column titles), from the view's.
    static QFont secondaryFont(const QFont& font);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};
