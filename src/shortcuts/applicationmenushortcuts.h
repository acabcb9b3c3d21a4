// The key sequences of Oculo's own menu items, which no global shortcut may take. The application
// installs a function that lists them (the tray menu's items, the recent-texts entries...); the recorder
// asks it afresh for every combination it checks. Main thread only.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class Shortcut;

namespace GlobalShortcuts {

struct MenuItemShortcut {
    QString title;
    QKeySequence keySequence;
};

// Either replaces what the other set; an empty function means Oculo has no menus to check.
void setApplicationMenuShortcuts(std::function<QList<QKeySequence>()> menuShortcuts);
// The same with each item's title, which the recorder's alert then names.
void setApplicationMenuItems(std::function<QList<MenuItemShortcut>()> menuItems);

// Whether a menu item's key sequence is the shortcut's: one combination, the same Qt key (by its US
// character or, failing that, the current layout's) and the same modifiers, keypad or not.
bool usesShortcut(const QKeySequence& keySequence, const Shortcut& shortcut);

// The title of the first listed menu item that uses the shortcut (its key sequence's text when the
// application gave no titles); none when no item does.
std::optional<QString> menuItemUsing(const Shortcut& shortcut);

} // namespace GlobalShortcuts
