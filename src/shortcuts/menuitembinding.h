// Shows a named shortcut on a menu action: the action's shortcut text follows the stored shortcut of the
// name, in the desktop's notation, through every change announced by the shortcut module. The key itself
// stays a global hot key only: the action never takes it as an in-application shortcut, so one press
// never triggers the action twice. Main thread only.
#pragma once

#include "globalshortcutsname.h"

#include <optional>

class QAction;

namespace GlobalShortcuts {

// With a name: applies its stored shortcut now and after every change; with none: clears the action's
// shortcut text and stops following.
void setShortcut(QAction* menuItem, const std::optional<Name>& name);

// Sets the action's shortcut text to the shortcut, or clears it.
void applyShortcut(QAction* menuItem, const std::optional<Shortcut>& shortcut);

} // namespace GlobalShortcuts
