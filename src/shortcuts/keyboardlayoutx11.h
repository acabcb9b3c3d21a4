// The X server's current keymap, read through xkbcommon-x11 on Qt's own xcb connection. Main thread
// only. Without an X connection nothing is read; a server without XKB or a failed request gives null.
#pragma once

struct xkb_keymap;

namespace KeyboardLayoutX11 {

// Whether Qt runs on X11, so that there is a server keymap to read.
bool isAvailable();
// A new keymap of the core keyboard as the server has it at this moment (the caller unrefs it), or null.
xkb_keymap* newCurrentKeymap();

} // namespace KeyboardLayoutX11
