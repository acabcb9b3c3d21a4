// The texts the shortcut module shows, looked up by key in the "GlobalShortcuts" translation context with
// their English text compiled in. Looked up on every call, so a translator installed later applies.
#pragma once

#include <QString>

namespace GlobalShortcuts::Strings {

// Placeholders of the recorder field: while it waits, and while it records.
QString recordShortcut();
QString pressShortcut();

// The alerts of a combination that cannot be used.
QString usedByMenuItem(const QString& menuItemTitle);
QString usedBySystem();
QString systemShortcutsCanBeChanged();

} // namespace GlobalShortcuts::Strings
