// The two modifier encodings of a shortcut: modifier flags (ModifierFlag, as the toolkit and Qt give
// them) and the event-manager bits a Shortcut stores. Only command, shift, option and control cross in
// either direction; every other bit (caps lock, function, numeric pad...) is dropped. Pure functions.
#pragma once

#include "modifierflags.h"

namespace CarbonModifier {
inline constexpr qint64 command = 0x100;
inline constexpr qint64 shift = 0x200;
inline constexpr qint64 option = 0x800;
inline constexpr qint64 control = 0x1000;
} // namespace CarbonModifier

namespace ModifierConversion {

constexpr qint64 carbonModifiers(quint64 modifierFlags)
{
    qint64 bits = 0;
    if (modifierFlags & ModifierFlag::command)
        bits |= CarbonModifier::command;
    if (modifierFlags & ModifierFlag::shift)
        bits |= CarbonModifier::shift;
    if (modifierFlags & ModifierFlag::option)
        bits |= CarbonModifier::option;
    if (modifierFlags & ModifierFlag::control)
        bits |= CarbonModifier::control;
    return bits;
}

constexpr quint64 modifierFlags(qint64 carbonModifiers)
{
    quint64 flags = 0;
    if (carbonModifiers & CarbonModifier::command)
        flags |= ModifierFlag::command;
    if (carbonModifiers & CarbonModifier::shift)
        flags |= ModifierFlag::shift;
    if (carbonModifiers & CarbonModifier::option)
        flags |= ModifierFlag::option;
    if (carbonModifiers & CarbonModifier::control)
        flags |= ModifierFlag::control;
    return flags;
}

} // namespace ModifierConversion
