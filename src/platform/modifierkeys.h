// The modifier keys held right now, read live from the keyboard (not from the last event).
#pragma once

#include "modifierflags.h"

class ModifierKeys {
public:
    virtual ~ModifierKeys() = default;
    // ModifierFlag bits of the keys held at this moment.
    virtual quint64 currentModifierFlags() const = 0;
};
