// The commands of the status menu, by the tag of their menu item.
#pragma once

#include <optional>

enum class MenuCommand {
    startCapture = 0,
    open = 1,
    importClipboard = 2,
    showHistory = 3,
    showAbout = 4,
    showPreferences = 5,
    quit = 6,
};

// None for a tag that names no command (negative, or 7 and above).
constexpr std::optional<MenuCommand> menuCommandFromTag(int tag)
{
    if (tag < 0 || tag > int(MenuCommand::quit))
        return std::nullopt;
    return MenuCommand(tag);
}
