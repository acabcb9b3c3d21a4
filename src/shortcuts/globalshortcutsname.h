// A named, user-configurable global shortcut: its identifier and the shortcut it gets on first use.
// Names compare and hash by identifier only. Declaring a name with a default (the two-argument
// constructor) stores, registers and announces the default when nothing is stored under the name yet.
#pragma once

#include "shortcut.h"

#include <QMetaType>
#include <QString>

#include <optional>

namespace GlobalShortcuts {

class Name {
public:
    Name() = default; // an empty name, for containers; never declared
    explicit Name(QString rawValue, std::optional<Shortcut> defaultShortcut = std::nullopt);

    QString rawValue;
    std::optional<Shortcut> defaultShortcut;

    friend bool operator==(const Name& a, const Name& b) { return a.rawValue == b.rawValue; }
};

inline size_t qHash(const Name& name, size_t seed = 0) noexcept
{
    return ::qHash(name.rawValue, seed);
}

enum class EventType { keyDown, keyUp };

} // namespace GlobalShortcuts

Q_DECLARE_METATYPE(GlobalShortcuts::Name)
