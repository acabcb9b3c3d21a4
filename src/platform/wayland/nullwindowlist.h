// The on-screen window list where the session gives none (a Wayland session): captures have no window.
#pragma once

#include "windowlist.h"

class NullWindowList : public WindowList {
public:
    std::optional<QList<WindowListEntry>> onScreenWindowList() const override { return std::nullopt; }
};
