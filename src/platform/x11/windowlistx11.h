// The on-screen windows, front to back, read through xcb from the window manager's stacking list
// (_NET_CLIENT_LIST_STACKING), or from the root window's children when no window manager keeps one;
// frames in global top-down points. Main thread only; none without an X connection, and a field the X
// server does not give (a window that went away, a malformed property) is left empty.
#pragma once

#include "windowlist.h"

class WindowListX11 : public WindowList {
public:
    std::optional<QList<WindowListEntry>> onScreenWindowList() const override;
};
