#include "menuitembinding.h"

#include "globalshortcuts.h"
#include "keynames.h"
#include "notificationcenter.h"

#include <QAction>

namespace GlobalShortcuts {

namespace {

// The observation of one action, owned by the action: deleting it ends the observation.
const char* const observerName = "GlobalShortcuts.menuItemObserver";

QObject* observerOf(QAction* menuItem)
{
    return menuItem->findChild<QObject*>(QLatin1String(observerName), Qt::FindDirectChildrenOnly);
}

} // namespace

void applyShortcut(QAction* menuItem, const std::optional<Shortcut>& shortcut)
{
    // Only the menu shows the shortcut: in a menu the widget context never matches a key press, and the
    // global grab has the key before any window of ours could see it.
    menuItem->setShortcutContext(Qt::WidgetShortcut);
    menuItem->setShortcutVisibleInContextMenu(true);
    menuItem->setShortcut(shortcut ? KeyNames::keySequence(*shortcut) : QKeySequence());
}

void setShortcut(QAction* menuItem, const std::optional<Name>& name)
{
    if (!menuItem)
        return;
    delete observerOf(menuItem);
    if (!name) {
        applyShortcut(menuItem, std::nullopt);
        return;
    }
    applyShortcut(menuItem, getShortcut(*name));
    auto* observer = new QObject(menuItem);
    observer->setObjectName(QLatin1String(observerName));
    QObject::connect(
        &NotificationCenter::defaultCenter(), &NotificationCenter::posted, observer,
        [menuItem, rawValue = name->rawValue](const QString& notification, const QVariantMap& info) {
            if (notification != shortcutByNameDidChange)
                return;
            const Name changed = info.value(QStringLiteral("name")).value<Name>();
            if (changed.rawValue == rawValue)
                applyShortcut(menuItem, getShortcut(changed));
        });
}

} // namespace GlobalShortcuts
