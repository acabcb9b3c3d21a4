#include "historyview.h"

#include "historyitemdelegate.h"
#include "historytablemodel.h"
#include "historyviewmodel.h"
#include "localizedstrings.h"
#include "pasteboard.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int timeColumnWidth = 75;
constexpr int sourceColumnWidth = 75;
constexpr int minimumContentWidth = 100;
constexpr int barPadding = 12;
// The content column takes what the fixed ones leave, less a scroll bar.
static_assert(HistoryView::fixedSize.width() - timeColumnWidth - sourceColumnWidth - 24 >=
              minimumContentWidth);

} // namespace

HistoryView::HistoryView(HistoryViewModel& viewModel, Pasteboard& pasteboard, QWidget* window,
                         QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_pasteboard(pasteboard)
    , m_window(window)
    , m_tableModel(new HistoryTableModel(this))
    , m_table(new QTableView(this))
    , m_clearButton(new QPushButton(Strings::workflowClearButtonTitle(), this))
    , m_exportAllButton(new QPushButton(Strings::workflowExportAllButtonTitle(), this))
    , m_copyAction(new QAction(m_table))
    , m_deleteAction(new QAction(m_table))
{
    setFixedSize(fixedSize);

    // Connected before the table sees the model, so that these run before the selection model reacts
    // to the same change.
    connect(m_tableModel, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_rowsChanging = true; });
    connect(m_tableModel, &QAbstractItemModel::rowsRemoved, this, [this] { m_rowsChanging = false; });
    connect(m_tableModel, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_rowsChanging = true; });
    connect(m_tableModel, &QAbstractItemModel::modelReset, this, [this] { m_rowsChanging = false; });
    m_table->setModel(m_tableModel);
    // After the table and its selection model have cleared their state for the reset.
    connect(m_tableModel, &QAbstractItemModel::modelReset, this, &HistoryView::restoreSelectionInTable);
    m_table->setItemDelegate(new HistoryItemDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setShowGrid(false);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->setCornerButtonEnabled(false);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);

    QHeaderView* columns = m_table->horizontalHeader();
    columns->setFont(HistoryItemDelegate::secondaryFont(m_table->font()));
    columns->setStyleSheet(
        QStringLiteral(
            "QHeaderView::section { background: #2c2d31; color: #a9aaaf; border: none;"
            " border-bottom: 1px solid #3b3c41; border-right: 1px solid #333438; padding: 3px %1px; }")
            .arg(HistoryItemDelegate::horizontalPadding));
    columns->setHighlightSections(false);
    columns->setSectionsMovable(false);
    columns->setSectionResizeMode(HistoryTableModel::AddedColumn, QHeaderView::Fixed);
    columns->setSectionResizeMode(HistoryTableModel::SourceColumn, QHeaderView::Fixed);
    columns->setSectionResizeMode(HistoryTableModel::ContentColumn, QHeaderView::Stretch);
    columns->setMinimumSectionSize(std::min(timeColumnWidth, sourceColumnWidth));
    columns->resizeSection(HistoryTableModel::AddedColumn, timeColumnWidth);
    columns->resizeSection(HistoryTableModel::SourceColumn, sourceColumnWidth);
    QHeaderView* rows = m_table->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::ResizeToContents);

    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryView::takeSelectionFromTable);
    connect(m_table, &QWidget::customContextMenuRequested, this, &HistoryView::showContextMenu);

    m_copyAction->setShortcuts(QKeySequence::Copy);
    m_copyAction->setShortcutContext(Qt::WidgetShortcut);
    connect(m_copyAction, &QAction::triggered, this, &HistoryView::copySelection);
    m_table->addAction(m_copyAction);
    QList<QKeySequence> deleteKeys = QKeySequence::keyBindings(QKeySequence::Delete);
    deleteKeys.append(QKeySequence(Qt::Key_Backspace));
    m_deleteAction->setShortcuts(deleteKeys);
    m_deleteAction->setShortcutContext(Qt::WidgetShortcut);
    connect(m_deleteAction, &QAction::triggered, this, &HistoryView::deleteSelection);
    m_table->addAction(m_deleteAction);

    connect(m_clearButton, &QPushButton::clicked, this, &HistoryView::clear);
    connect(m_exportAllButton, &QPushButton::clicked, this, &HistoryView::exportAll);
    m_clearButton->setAutoDefault(false);
    m_exportAllButton->setAutoDefault(false);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(barPadding, barPadding, barPadding, barPadding);
    bar->addWidget(m_clearButton);
    bar->addStretch(1);
    bar->addWidget(m_exportAllButton);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(m_table, 1);
    stack->addLayout(bar);

    m_viewModel.items().subscribe(this, [this](const QList<HistoryItem>& items) { showItems(items); });
}

void HistoryView::showItems(const QList<HistoryItem>& items)
{
    m_tableModel->setItems(items);
    m_clearButton->setEnabled(!items.isEmpty());
    m_exportAllButton->setEnabled(!items.isEmpty());
}

void HistoryView::copySelection()
{
    QString text;
    for (const ItemProvider& provider : m_viewModel.itemProviders(m_selection))
        text += provider.plainText;
    m_pasteboard.setString(text);
}

void HistoryView::deleteSelection()
{
    QList<HistoryItem> kept;
    for (const HistoryItem& item : m_viewModel.items().value()) {
        if (!m_selection.contains(item.timestamp))
            kept.append(item);
    }
    m_viewModel.setItems(std::move(kept));
}

void HistoryView::clear()
{
    m_viewModel.setItems({});
}

void HistoryView::exportAll()
{
    m_viewModel.exportAll();
    if (m_window)
        m_window->close();
}

void HistoryView::showContextMenu(const QPoint& position)
{
    const QModelIndex index = m_table->indexAt(position);
    if (!index.isValid() || index.column() != HistoryTableModel::ContentColumn)
        return;
    // The row's item as it is now: the history may change while the menu is open.
    const HistoryItem item = m_tableModel->item(index.row());
    QMenu menu(this);
    connect(menu.addAction(Strings::workflowTableRowMenuSpeakTitle()), &QAction::triggered, this,
            [this, item] { m_viewModel.speak(item); });
    menu.exec(m_table->viewport()->mapToGlobal(position));
}

void HistoryView::takeSelectionFromTable()
{
    if (m_rowsChanging)
        return;
    m_selection.clear();
    for (const QItemSelectionRange& range : m_table->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            m_selection.insert(m_tableModel->item(row).timestamp);
    }
}

void HistoryView::restoreSelectionInTable()
{
    if (m_selection.isEmpty())
        return;
    QItemSelection selected;
    const QList<HistoryItem>& items = m_tableModel->items();
    const int lastColumn = HistoryTableModel::ColumnCount - 1;
    for (int row = 0; row < items.size();) {
        if (!m_selection.contains(items.at(row).timestamp)) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < items.size() && m_selection.contains(items.at(row).timestamp))
            ++row;
        selected.select(m_tableModel->index(first, 0), m_tableModel->index(row - 1, lastColumn));
    }
    m_rowsChanging = true; // what is restored is the selection already held
    m_table->selectionModel()->select(selected, QItemSelectionModel::Select);
    m_rowsChanging = false;
}
