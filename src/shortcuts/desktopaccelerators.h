// Key combinations as desktops write them in their settings, turned into shortcuts: GNOME's accelerators
// ("<Primary><Alt>t", the key by its keysym name) and Qt's key combinations, which KDE stores ("Meta+D").
// A key named by the character it types is found on the keyboard layout given at construction, any other
// key in a fixed table. Main thread; a combination with a key or a modifier that no shortcut can hold
// gives none.
#pragma once

#include "keyboardlayout.h"
#include "shortcut.h"

#include <QHash>
#include <QKeyCombination>
#include <QStringView>

#include <optional>

class DesktopAccelerators {
public:
    explicit DesktopAccelerators(const KeyboardLayout& layout);

    std::optional<Shortcut> fromGnomeAccelerator(QStringView accelerator) const;
    std::optional<Shortcut> fromKeyCombination(QKeyCombination combination) const;

private:
    std::optional<Key> keyTyping(char32_t character) const;

    QHash<char32_t, Key> m_characterKeys; // lower case
};
