// The fixed mapping between named key positions and the Linux evdev key codes of an ANSI PC keyboard
// (X key code = evdev code + 8). Ctrl sits where command is, Alt where option is, Super where control is;
// `function` has no PC key. Pure functions; a position or code outside the table gives none.
#pragma once

#include "key.h"

#include <optional>

namespace EvdevKeyCodes {

std::optional<int> evdevCode(Key key);
std::optional<Key> keyForEvdevCode(int evdevCode);

std::optional<int> xKeyCode(Key key);
std::optional<Key> keyForXKeyCode(int xKeyCode);

} // namespace EvdevKeyCodes
