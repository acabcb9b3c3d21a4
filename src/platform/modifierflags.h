// Modifier keys as the window toolkit's flag bits. At the X11 boundary Ctrl is `command`, Alt is
// `option`, Super (Meta) is `control` and Shift is `shift`.
#pragma once

#include <qnamespace.h>
#include <QtGlobal>

namespace ModifierFlag {
inline constexpr quint64 capsLock = 0x10000;
inline constexpr quint64 shift = 0x20000;
inline constexpr quint64 control = 0x40000;
inline constexpr quint64 option = 0x80000;
inline constexpr quint64 command = 0x100000;

// The flags of Qt's modifiers: Ctrl is command, Alt option, Meta control, Shift shift.
inline quint64 fromQt(Qt::KeyboardModifiers modifiers)
{
    quint64 flags = 0;
    if (modifiers & Qt::ControlModifier)
        flags |= command;
    if (modifiers & Qt::AltModifier)
        flags |= option;
    if (modifiers & Qt::MetaModifier)
        flags |= control;
    if (modifiers & Qt::ShiftModifier)
        flags |= shift;
    return flags;
}
} // namespace ModifierFlag
