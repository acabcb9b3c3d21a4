// What each key position types on a keyboard layout, through xkbcommon: the X server's keymap while Qt
// runs on X11, the US layout otherwise. Main thread only. A keymap that cannot be read, or that has no
// layout group typing the ASCII letters, translates nothing.
#pragma once

#include "key.h"

#include <QString>

#include <memory>
#include <optional>

struct xkb_keymap;

class KeyboardLayout {
public:
    // The layout in use at this moment. On X11 the server's keymap is read again on every call, with no
    // cache and no change notification to miss, so a switch made with setxkbmap shows at once.
    static KeyboardLayout current();
    // The US layout of a PC keyboard, compiled once from the system's keyboard data.
    static KeyboardLayout us();

    // What the key types without modifiers (NumLock on) in the first layout group that types the ASCII
    // letters a to z: possibly empty (a key with no text). None without such a group or for a key with
    // no PC key.
    std::optional<QString> character(Key key) const;

private:
    explicit KeyboardLayout(std::shared_ptr<xkb_keymap> keymap);

    std::shared_ptr<xkb_keymap> m_keymap;
    std::optional<quint32> m_group;
};
