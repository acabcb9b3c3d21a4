#include "historywindow.h"

#include "historyview.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QList<QUrl> localFiles(const QMimeData* data)
{
    QList<QUrl> files;
    if (!data)
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files.append(url);
    }
    return files;
}

} // namespace

HistoryWindow::HistoryWindow(HistoryViewModel& viewModel, Pasteboard& pasteboard, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
    , m_view(new HistoryView(viewModel, pasteboard, this, this))
{
    setPalette(hudPalette());
    setAutoFillBackground(true);
    setAcceptDrops(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_view);
    adjustSize();

    if (const QScreen* primary = screen())
        centerOn(primary->availableGeometry());
}

void HistoryWindow::centerOn(const QRect& area)
{
    QRect frame({0, 0}, size());
    frame.moveCenter(area.center());
    move(frame.topLeft());
}

QPalette HistoryWindow::hudPalette()
{
    const QColor panel(0x26, 0x27, 0x2a);
    const QColor base(0x1c, 0x1d, 0x20);
    const QColor alternate(0x24, 0x25, 0x2a);
    const QColor text(0xec, 0xec, 0xee);
    const QColor button(0x3a, 0x3b, 0x40);
    const QColor highlight(0x2f, 0x62, 0xc8);

    QPalette palette;
    palette.setColor(QPalette::Window, panel);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, alternate);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8a, 0x8b, 0x90));
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0x30, 0x31, 0x35));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Light, QColor(0x4a, 0x4b, 0x50));
    palette.setColor(QPalette::Midlight, QColor(0x40, 0x41, 0x46));
    palette.setColor(QPalette::Mid, QColor(0x30, 0x31, 0x35));
    palette.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
    palette.setColor(QPalette::Shadow, QColor(0x0c, 0x0c, 0x0d));
    palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0x3c, 0x4a, 0x66));
    const QColor disabledText(0x6c, 0x6d, 0x72);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Button, QColor(0x2e, 0x2f, 0x33));
    return palette;
}

void HistoryWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> files = localFiles(event->mimeData());
    m_dragAccepted = m_dragAcceptor && !files.isEmpty() && m_dragAcceptor(files);
    if (m_dragAccepted)
        event->acceptProposedAction();
    else
        event->ignore();
}

void HistoryWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (m_dragAccepted)
        event->acceptProposedAction();
    else
        event->ignore();
}

void HistoryWindow::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_dragAccepted = false;
    event->accept();
}

void HistoryWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> files = localFiles(event->mimeData());
    const bool accepted = m_dropHandler && !files.isEmpty() && m_dropHandler(files);
    m_dragAccepted = false;
    if (accepted)
        event->acceptProposedAction();
    else
        event->ignore();
}
