#include "applicationmenushortcuts.h"

#include "keynames.h"
#include "shortcut.h"

namespace GlobalShortcuts {

namespace {

std::function<QList<MenuItemShortcut>()>& menuItems()
{
    static std::function<QList<MenuItemShortcut>()> items;
    return items;
}

QKeyCombination withoutKeypad(QKeyCombination combination)
{
    return QKeyCombination(combination.keyboardModifiers() & ~Qt::KeypadModifier, combination.key());
}

// What the key types on the current layout as a Qt key, for layouts whose letters sit elsewhere than on
// a US keyboard; none for keys with a glyph of their own or without one character.
std::optional<Qt::Key> currentLayoutKey(const Shortcut& shortcut)
{
    const Key key(shortcut.carbonKeyCode());
    if (KeyNames::specialKeyGlyphs().contains(key))
        return std::nullopt;
    const QString character = KeyNames::keyToCharacter(key).value_or(QString()).toUpper();
    if (character.size() != 1)
        return std::nullopt;
    return Qt::Key(character.at(0).unicode());
}

} // namespace

void setApplicationMenuShortcuts(std::function<QList<QKeySequence>()> menuShortcuts)
{
    if (!menuShortcuts) {
        menuItems() = nullptr;
        return;
    }
    menuItems() = [menuShortcuts = std::move(menuShortcuts)] {
        QList<MenuItemShortcut> items;
        for (const QKeySequence& sequence : menuShortcuts())
            items.append({QString(), sequence});
        return items;
    };
}

void setApplicationMenuItems(std::function<QList<MenuItemShortcut>()> items)
{
    menuItems() = std::move(items);
}

bool usesShortcut(const QKeySequence& keySequence, const Shortcut& shortcut)
{
    if (keySequence.count() != 1)
        return false;
    const QKeySequence own = KeyNames::keySequence(shortcut);
    if (own.isEmpty())
        return false;
    const QKeyCombination item = withoutKeypad(keySequence[0]);
    const QKeyCombination usPosition = withoutKeypad(own[0]);
    if (item == usPosition)
        return true;
    const std::optional<Qt::Key> typed = currentLayoutKey(shortcut);
    return typed && item == QKeyCombination(usPosition.keyboardModifiers(), *typed);
}

std::optional<QString> menuItemUsing(const Shortcut& shortcut)
{
    if (!menuItems())
        return std::nullopt;
    for (const MenuItemShortcut& item : menuItems()()) {
        if (usesShortcut(item.keySequence, shortcut)) {
            if (item.title.isEmpty())
                return item.keySequence.toString(QKeySequence::NativeText);
            return item.title;
        }
    }
    return std::nullopt;
}

} // namespace GlobalShortcuts
