// The shortcuts the desktop keeps for itself, read where its settings can be read: GNOME's key bindings
// through gsettings (window manager, shell, mutter, media keys and custom bindings) and KDE's global
// shortcuts file. Main thread only; a source that is missing or cannot be read adds nothing, and a
// binding that no shortcut can hold (or a disabled one) is skipped.
#pragma once

#include "desktopaccelerators.h"

#include <QStringList>

#include <functional>

namespace DesktopKeyBindings {

struct Sources {
    // Runs gsettings with the arguments and gives what it printed; none when it cannot run or fails.
    std::function<std::optional<QString>(const QStringList& arguments)> gsettings;
    // KDE's kglobalshortcutsrc; empty for none.
    QString kdeGlobalShortcutsPath;

    // gsettings where it is installed, and the file in the user's configuration directory.
    static Sources ofThisSession();
};

// Every binding in order: GNOME's schemas one after the other, then KDE's file.
QList<Shortcut> read(const Sources& sources, const DesktopAccelerators& accelerators);

// The strings of a GVariant text holding a string or an array of strings ("['<Super>d', '<Alt>F4']",
// "@as []", "'<Super>l'"); none for any other value.
std::optional<QStringList> gvariantStrings(QStringView text);

// The active shortcuts of a kglobalshortcutsrc ("Show Desktop=Meta+D,Meta+D,Peek at Desktop").
QList<Shortcut> kdeGlobalShortcuts(QStringView fileText, const DesktopAccelerators& accelerators);

} // namespace DesktopKeyBindings
