// The content of the history window: the table of the history (time added, source application, text),
// with several rows selectable, Copy and Delete while it has the focus and "Speak" in a content cell's
// context menu, above a bar with "Clear" and "Export All". Follows the history live and changes it
// directly. Main thread only; the model and the pasteboard must outlive the view.
#pragma once

#include "historyitem.h"

#include <QPointer>
#include <QSet>
#include <QWidget>

class HistoryTableModel;
class HistoryViewModel;
class Pasteboard;
class QAction;
class QPushButton;
class QTableView;

class HistoryView : public QWidget {
    Q_OBJECT
public:
    // The size the view always has.
    static constexpr QSize fixedSize{430, 540};

    // `window` is closed after "Export All"; none leaves that step out.
    HistoryView(HistoryViewModel& viewModel, Pasteboard& pasteboard, QWidget* window = nullptr,
                QWidget* parent = nullptr);

    // The selected rows, by timestamp. Entries whose items have left the history stay until the user
    // selects anew, and match no row.
    const QSet<double>& selection() const { return m_selection; }

    QTableView* tableView() const { return m_table; }
    HistoryTableModel* tableModel() const { return m_tableModel; }
    QPushButton* clearButton() const { return m_clearButton; }
    QPushButton* exportAllButton() const { return m_exportAllButton; }
    // The Edit commands of the table (Copy: the standard copy keys; Delete: Delete and Backspace), which
    // also act when triggered from elsewhere, an Edit menu say.
    QAction* copyAction() const { return m_copyAction; }
    QAction* deleteAction() const { return m_deleteAction; }

    // Puts the selected items' texts on the pasteboard as the history formats them for copying.
    void copySelection();
    // Removes the selected items from the history; the selection is kept.
    void deleteSelection();
    // Empties the history; the window stays open.
    void clear();
    // Hands the whole history to the clipboard writer, then closes the window.
    void exportAll();

private:
    void showItems(const QList<HistoryItem>& items);
    void showContextMenu(const QPoint& position);
    void takeSelectionFromTable();
    void restoreSelectionInTable();

    HistoryViewModel& m_viewModel;
    Pasteboard& m_pasteboard;
    QPointer<QWidget> m_window;
    QSet<double> m_selection;
    // While the table model changes its rows, the selection model's changes are not the user's.
    bool m_rowsChanging = false;
    HistoryTableModel* m_tableModel;
    QTableView* m_table;
    QPushButton* m_clearButton;
    QPushButton* m_exportAllButton;
    QAction* m_copyAction;
    QAction* m_deleteAction;
};
