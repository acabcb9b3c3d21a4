// The modifier keys held right now, queried from the window system through Qt and mapped to
// ModifierFlag bits (Ctrl is command, Alt option, Super control, Shift shift). Main thread only; without
// a window system no key reads as held.
#pragma once

#include "modifierkeys.h"

#include <Qt>

class QtModifierKeys : public ModifierKeys {
public:
    QtModifierKeys() = default;

    quint64 currentModifierFlags() const override;

    static quint64 flagsFromQt(Qt::KeyboardModifiers modifiers);
};
