#include "shortcutsstrings.h"

#include <QCoreApplication>

namespace GlobalShortcuts::Strings {

namespace {

constexpr const char* context = "GlobalShortcuts";

// A catalogue without the key answers the key itself: the English text stands in then.
QString lookUp(const char* key, const char* english)
{
    const QString found = QCoreApplication::translate(context, key);
    return found == QLatin1String(key) ? QString::fromUtf8(english) : found;
}

} // namespace

QString recordShortcut()
{
    return lookUp(QT_TRANSLATE_NOOP("GlobalShortcuts", "record_shortcut"), "Record Shortcut");
}

QString pressShortcut()
{
    return lookUp(QT_TRANSLATE_NOOP("GlobalShortcuts", "press_shortcut"), "Press Shortcut");
}

QString usedByMenuItem(const QString& menuItemTitle)
{
    return lookUp(QT_TRANSLATE_NOOP("GlobalShortcuts", "keyboard_shortcut_used_by_menu_item"),
                  "This keyboard shortcut cannot be used because the “%1” menu item already uses it.")
        .arg(menuItemTitle);
}

QString usedBySystem()
{
    return lookUp(QT_TRANSLATE_NOOP("GlobalShortcuts", "keyboard_shortcut_used_by_system"),
                  "This keyboard shortcut cannot be used because the desktop or another application "
                  "already uses it.");
}

QString systemShortcutsCanBeChanged()
{
    return lookUp(QT_TRANSLATE_NOOP("GlobalShortcuts", "keyboard_shortcuts_can_be_changed"),
                  "Most desktop keyboard shortcuts can be changed in the keyboard settings of your "
                  "desktop.");
}

} // namespace GlobalShortcuts::Strings
