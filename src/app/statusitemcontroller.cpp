#include "statusitemcontroller.h"

#include "applogging.h"
#include "historyviewmodel.h"
#include "localizedstrings.h"
#include "menuitembinding.h"
#include "pasteboard.h"
#include "recentcapturetitle.h"
#include "statusitemicon.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

namespace {

// Which command an item sends: its tag, as a platform menu item would carry it.
const char* const tagProperty = "oculoMenuTag";

} // namespace

StatusItemController::StatusItemController(HistoryViewModel& historyViewModel, Pasteboard& pasteboard,
                                           QObject* parent)
    : QObject(parent)
    , m_historyViewModel(historyViewModel)
    , m_pasteboard(pasteboard)
    , m_statusItem(std::make_unique<QSystemTrayIcon>())
{
    m_statusItem->setIcon(StatusItemIcon::make());
    m_statusItem->setToolTip(applicationName());
}

StatusItemController::~StatusItemController()
{
    // The icon's menu goes first, so that the icon never refers to a deleted menu.
    if (m_statusItem)
        m_statusItem->setContextMenu(nullptr);
}

QString StatusItemController::applicationName()
{
    const QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

QAction* StatusItemController::addCommandItem(const QString& title, MenuCommand command,
                                              const QString& iconName)
{
    QAction* item = m_menu->addAction(title);
    item->setProperty(tagProperty, int(command));
    if (!iconName.isEmpty())
        item->setIcon(QIcon::fromTheme(iconName));
    connect(item, &QAction::triggered, this, [this, item] { performAction(item); });
    return item;
}

void StatusItemController::setUp(const GlobalShortcuts::Name& captureShortcut)
{
    if (m_isSetUp)
        return;
    m_isSetUp = true;
    m_menu = std::make_unique<QMenu>();
    m_menu->setTitle(Strings::menuStatusItemTitle(applicationName()));
    connect(m_menu.get(), &QMenu::aboutToShow, this, &StatusItemController::menuWillOpen);

    QAction* startCapture = addCommandItem(Strings::statusMenuStartCaptureItemTitle(),
                                           MenuCommand::startCapture, "transform-crop");
    GlobalShortcuts::setShortcut(startCapture, captureShortcut);
    m_startCaptureItem = startCapture;

    QAction* open =
        addCommandItem(Strings::statusMenuOpenFileItemTitle(), MenuCommand::open, "image-x-generic");
    // Shown as the menu's accelerator; it acts only while the menu is open.
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    open->setShortcutContext(Qt::WidgetShortcut);
    open->setShortcutVisibleInContextMenu(true);

    m_importFromClipboardItem = addCommandItem(Strings::statusMenuConvertClipboardItemTitle(),
                                               MenuCommand::importClipboard, "edit-paste");
    m_importFromClipboardItem->setEnabled(false);
    m_menu->addSeparator();

    m_historyItem = m_menu->addAction(Strings::statusMenuRecentCapturesItemTitle());
    m_historyItem->setEnabled(false);
    m_historyViewModel.items().subscribe(
        this, [this](const QList<HistoryItem>& items) { historyDidChange(items); });

    addCommandItem(Strings::statusMenuShowWorkflowItemTitle(), MenuCommand::showHistory);
    m_menu->addSeparator();
    addCommandItem(Strings::statusMenuAboutItemTitle(applicationName()), MenuCommand::showAbout);
    addCommandItem(Strings::statusMenuPreferencesItemTitle(), MenuCommand::showPreferences);
    m_menu->addSeparator();
    addCommandItem(Strings::statusMenuQuitItemTitle(applicationName()), MenuCommand::quit);

    m_statusItem->setContextMenu(m_menu.get());
    // A click opens the menu too, as a right click does.
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    m_menu->popup(QCursor::pos());
            });
    m_statusItem->show();
    reportTrayAvailability();
}

QList<GlobalShortcuts::MenuItemShortcut> StatusItemController::menuItemShortcuts() const
{
    QList<GlobalShortcuts::MenuItemShortcut> items;
    if (!m_menu)
        return items;
    for (const QAction* item : m_menu->actions()) {
        if (item != m_startCaptureItem && !item->shortcut().isEmpty())
            items.append({item->text(), item->shortcut()});
    }
    // The recent captures take Ctrl+1 to Ctrl+9 as soon as there are that many, built or not yet.
    const QList<HistoryItem>& history = m_historyViewModel.items().value();
    for (qsizetype position = 0; position < std::min<qsizetype>(9, history.size()); ++position) {
        items.append({RecentCaptureTitle::of(history.at(history.size() - 1 - position).value),
                      QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + position))});
    }
    return items;
}

bool StatusItemController::isTrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void StatusItemController::reportTrayAvailability()
{
    if (!isTrayAvailable()) {
        qCInfo(lcApp) << "The desktop has no system tray: the menu is unavailable; the global shortcut works";
    }
}

void StatusItemController::performAction(const QAction* sender)
{
    if (!sender)
        return;
    bool isNumber = false;
    const int tag = sender->property(tagProperty).toInt(&isNumber);
    if (!isNumber)
        return;
    if (const std::optional<MenuCommand> command = menuCommandFromTag(tag))
        m_command.send(*command);
}

void StatusItemController::performRestoreHistory(const QAction* sender)
{
    if (!sender || sender->data().typeId() != QMetaType::QStringList)
        return;
    m_restoreCommand.send(sender->data().toStringList());
}

void StatusItemController::menuWillOpen()
{
    m_importFromClipboardItem->setEnabled(m_pasteboard.hasImage());
    if (m_recentCapturesAreStale)
        rebuildRecentCaptures();
}

void StatusItemController::historyDidChange(const QList<HistoryItem>& items)
{
    // The entries are made when the menu opens, so that a long history costs nothing per capture;
    // whether there are any shows at once.
    m_historyItem->setEnabled(!items.isEmpty());
    m_recentCapturesAreStale = true;
    if (items.isEmpty()) {
        m_historyItem->setMenu(nullptr);
        delete m_recentCaptures;
        m_recentCapturesAreStale = false;
        announceRecentCaptures();
    }
}

void StatusItemController::announceRecentCaptures()
{
    // A menu the desktop shows over D-Bus (a StatusNotifierItem host) tells the desktop of a new layout
    // only when items of the menu itself come and go, not when an item is given another submenu: the
    // history item goes out and comes back in its place, so that the desktop fetches the new recent
    // captures. A menu Qt shows itself needs nothing.
    if (!m_menu->platformMenu())
        return;
    const QList<QAction*> items = m_menu->actions();
    const qsizetype position = items.indexOf(m_historyItem);
    QAction* next = position >= 0 && position + 1 < items.size() ? items.at(position + 1) : nullptr;
    m_menu->removeAction(m_historyItem);
    m_menu->insertAction(next, m_historyItem);
}

void StatusItemController::rebuildRecentCaptures()
{
    m_recentCapturesAreStale = false;
    // Read now: the list as it is when the menu opens, not as it was announced.
    const QList<HistoryItem>& items = m_historyViewModel.items().value();
    m_historyItem->setMenu(nullptr);
    delete m_recentCaptures;
    if (items.isEmpty()) {
        m_historyItem->setEnabled(false);
        return;
    }
    auto* recent = new QMenu(Strings::menuRecentCapturesTitle(), m_menu.get());
    for (qsizetype position = 0; position < items.size(); ++position) {
        const HistoryItem& item = items.at(items.size() - 1 - position);
        QAction* entry = recent->addAction(RecentCaptureTitle::of(item.value));
        entry->setData(item.value);
        if (position < 9) {
            entry->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + position)));
            entry->setShortcutContext(Qt::WidgetShortcut);
            entry->setShortcutVisibleInContextMenu(true);
        }
        connect(entry, &QAction::triggered, this, [this, entry] { performRestoreHistory(entry); });
    }
    m_recentCaptures = recent;
    // The item shows its own title, "Recent Captures"; a submenu's title shows nowhere on these desktops.
    m_historyItem->setMenu(recent);
    m_historyItem->setEnabled(true);
    announceRecentCaptures();
}
