// The history as a three-column table for an item view: when each item was added, which application it
// came from and its text, oldest first. A new list is applied as row removals and an append when it
// is the old one with items taken out and new ones added at the end (retention, delete, a capture),
// and as a reset otherwise, so that a list of any length changes without work per row beyond one
// comparison of identities. Main thread only.
#pragma once

#include "historyitem.h"

#include <QAbstractTableModel>
#include <QLocale>

class HistoryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { AddedColumn, SourceColumn, ContentColumn, ColumnCount };
    enum Role {
        // The row's timestamp (double), in every column.
        TimestampRole = Qt::UserRole + 1,
        // How many lines the content cell shows (int), in the content column.
        LineCountRole,
    };

    explicit HistoryTableModel(QObject* parent = nullptr, const QLocale& locale = QLocale::system());

    // Shows `items`, oldest first.
    void setItems(const QList<HistoryItem>& items);
    const QList<HistoryItem>& items() const { return m_items; }
    // The item of a row; the row must be valid.
    const HistoryItem& item(int row) const { return m_items.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // Removes the rows whose items are not in `items` and appends what `items` adds at its end; false,
    // with nothing changed, when `items` is not of that shape or would take too many removals.
    bool applyAsRemovalsAndAppend(const QList<HistoryItem>& items);

    QList<HistoryItem> m_items;
    QLocale m_locale;
    QString m_timeFormat;
};
