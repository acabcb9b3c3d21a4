// Modifier keys for unit tests: `flags` are the keys held.
#pragma once

#include "modifierkeys.h"

class FakeModifierKeys : public ModifierKeys {
public:
    quint64 flags = 0;

    quint64 currentModifierFlags() const override { return flags; }
};
