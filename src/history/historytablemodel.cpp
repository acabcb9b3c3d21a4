#include "historytablemodel.h"

#include "historycelltext.h"
#include "localizedstrings.h"

namespace {

// Beyond this many separate runs of removed rows a reset is cheaper for the views than the removals.
constexpr int maxRemovedRuns = 16;

struct RowRun {
    int first;
    int last;
};

} // namespace

HistoryTableModel::HistoryTableModel(QObject* parent, const QLocale& locale)
    : QAbstractTableModel(parent)
    , m_locale(locale)
    , m_timeFormat(HistoryCellText::mediumTimeFormat(locale))
{}

void HistoryTableModel::setItems(const QList<HistoryItem>& items)
{
    if (applyAsRemovalsAndAppend(items))
        return;
    beginResetModel();
    m_items = items;
    endResetModel();
}

bool HistoryTableModel::applyAsRemovalsAndAppend(const QList<HistoryItem>& items)
{
    if (m_items.isEmpty() || items.isEmpty())
        return m_items.isEmpty() && items.isEmpty();

    // Walk the old rows; each one that is next in the new list stays, the others go. What the walk
    // leaves of the new list is appended.
    std::vector<RowRun> removed;
    qsizetype next = 0;
    for (int row = 0; row < m_items.size(); ++row) {
        if (next < items.size() && items.at(next) == m_items.at(row)) {
            ++next;
            continue;
        }
        if (!removed.empty() && removed.back().last == row - 1)
            removed.back().last = row;
        else if (int(removed.size()) == maxRemovedRuns)
            return false;
        else
            removed.push_back({row, row});
    }
    if (removed.size() == 1 && removed.front().first == 0 && removed.front().last == m_items.size() - 1)
        return false; // nothing stays: a reset says it in one step

    for (auto run = removed.rbegin(); run != removed.rend(); ++run) {
        beginRemoveRows({}, run->first, run->last);
        m_items.remove(run->first, run->last - run->first + 1);
        endRemoveRows();
    }
    if (next < items.size()) {
        beginInsertRows({}, int(m_items.size()), int(items.size()) - 1);
        m_items.append(items.mid(next));
        endInsertRows();
    }
    // The rows now equal `items`; share its storage.
    m_items = items;
    return true;
}

int HistoryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

int HistoryTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const HistoryItem& item = m_items.at(index.row());
    if (role == TimestampRole)
        return item.timestamp;
    switch (index.column()) {
    case AddedColumn:
        if (role == Qt::DisplayRole)
            return HistoryCellText::timeOfDay(item.timestamp, m_locale, m_timeFormat);
        break;
    case SourceColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return item.window ? item.window->applicationName : Strings::workflowTableSourceUnknown();
        break;
    case ContentColumn:
        if (role == Qt::DisplayRole)
            return HistoryCellText::contentPreview(item.value);
        if (role == Qt::ToolTipRole)
            return HistoryCellText::toolTip(item.value);
        if (role == LineCountRole)
            return HistoryCellText::previewLineCount(item.value);
        break;
    default:
        break;
    }
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeading | Qt::AlignTop);
    return {};
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeading | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case AddedColumn:
        return Strings::workflowTableColumnAddedTitle();
    case SourceColumn:
        return Strings::workflowTableColumnSourceTitle();
    case ContentColumn:
        return Strings::workflowTableColumnContentTitle();
    default:
        return {};
    }
}

Qt::ItemFlags HistoryTableModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}
