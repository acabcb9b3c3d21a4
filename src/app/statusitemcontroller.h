// The application's icon in the system tray with its menu: the commands, the recent captures (newest
// first, Ctrl+1 to Ctrl+9 on the first nine) and the clipboard item that is enabled only while the
// clipboard holds an image. It performs nothing itself: menu choices go out on `command`, a chosen
// recent capture on `restoreCommand`, an image dropped on the application on `dropped`. Where the
// desktop has no tray, the menu exists all the same and the log says once that it cannot be shown.
// Main thread only.
#pragma once

#include "applicationmenushortcuts.h"
#include "globalshortcutsname.h"
#include "menucommand.h"
#include "subject.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class HistoryViewModel;
class Pasteboard;
class QAction;
class QMenu;
class QSystemTrayIcon;
struct HistoryItem;

class StatusItemController : public QObject {
    Q_OBJECT
public:
    StatusItemController(HistoryViewModel& historyViewModel, Pasteboard& pasteboard,
                         QObject* parent = nullptr);
    ~StatusItemController() override;

    // Builds the menu, binds the start-capture item to the capture shortcut and shows the icon.
    void setUp(const GlobalShortcuts::Name& captureShortcut);

    const Subject<MenuCommand>& command() const { return m_command; }
    const Subject<QStringList>& restoreCommand() const { return m_restoreCommand; }
    const Subject<QImage>& dropped() const { return m_dropped; }

    // Menu item targets: a command item sends its tag's command, a recent item its lines.
    void performAction(const QAction* sender);
    void performRestoreHistory(const QAction* sender);
    // Refreshes what depends on the moment the menu opens: the clipboard item, the recent captures.
    void menuWillOpen();
    // Sends an image dropped on the application (the history window takes the drops).
    void sendDropped(const QImage& image) { m_dropped.send(image); }

    // The key sequences the menu's items show, with their titles, which no global shortcut may take; the
    // start item's is the global shortcut itself and is left out.
    QList<GlobalShortcuts::MenuItemShortcut> menuItemShortcuts() const;

    QMenu* menu() const { return m_menu.get(); }
    QAction* historyItem() const { return m_historyItem; }
    QAction* importFromClipboardItem() const { return m_importFromClipboardItem; }
    QSystemTrayIcon* statusItem() const { return m_statusItem.get(); }
    // Whether the desktop shows a tray for the icon now.
    static bool isTrayAvailable();

    // The application's name in menu titles.
    static QString applicationName();

private:
    QAction* addCommandItem(const QString& title, MenuCommand command, const QString& iconName = {});
    void historyDidChange(const QList<HistoryItem>& items);
    void rebuildRecentCaptures();
    void announceRecentCaptures();
    void reportTrayAvailability();

    HistoryViewModel& m_historyViewModel;
    Pasteboard& m_pasteboard;
    Subject<MenuCommand> m_command;
    Subject<QStringList> m_restoreCommand;
    Subject<QImage> m_dropped;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    std::unique_ptr<QMenu> m_menu;
    QAction* m_startCaptureItem = nullptr;
    QAction* m_historyItem = nullptr;
    QAction* m_importFromClipboardItem = nullptr;
    QPointer<QMenu> m_recentCaptures;
    bool m_recentCapturesAreStale = false;
    bool m_isSetUp = false;
};
