// Modifier keys as the window toolkit's flag bits. At the X11 boundary Ctrl is `command`, Alt is
// `option`, Super (Meta) is `control` and Shift is `shift`.
#pragma once

#include <QtGlobal>

namespace ModifierFlag {
inline constexpr quint64 capsLock = 0x10000;
inline constexpr quint64 shift = 0x20000;
inline constexpr quint64 control = 0x40000;
inline constexpr quint64 option = 0x80000;
inline constexpr quint64 command = 0x100000;
} // namespace ModifierFlag
