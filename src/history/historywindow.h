// The history panel: a small dark utility window with a title bar and a close button, centred on the
// screen, that hosts HistoryView. Made on first use and kept: closing only hides it. It also takes
// dropped files, since a tray icon cannot: the application decides which drags it accepts and what a
// drop does. Main thread only; the model and the pasteboard must outlive the window.
#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

#include <functional>

class HistoryView;
class HistoryViewModel;
class Pasteboard;

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // Given the local files of a drag or a drop: whether to accept it.
    using DropHook = std::function<bool(const QList<QUrl>&)>;

    HistoryWindow(HistoryViewModel& viewModel, Pasteboard& pasteboard, QWidget* parent = nullptr);

    HistoryView& view() const { return *m_view; }

    // Places the window in the middle of `area` (global top-down coordinates).
    void centerOn(const QRect& area);

    // Asked when a drag enters the window; without one every drag is refused.
    void setDragAcceptor(DropHook acceptor) { m_dragAcceptor = std::move(acceptor); }
    // Handed the files of a drop; its answer accepts or refuses it.
    void setDropHandler(DropHook handler) { m_dropHandler = std::move(handler); }

    // The dark palette of the panel.
    static QPalette hudPalette();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    HistoryView* m_view;
    DropHook m_dragAcceptor;
    DropHook m_dropHandler;
    bool m_dragAccepted = false;
};
