// A window list for unit tests: the entries the test set, front to back; none until it sets some.
#pragma once

#include "windowlist.h"

class FakeWindowList : public WindowList {
public:
    std::optional<QList<WindowListEntry>> entries;
    mutable int callCount = 0;

    std::optional<QList<WindowListEntry>> onScreenWindowList() const override
    {
        ++callCount;
        return entries;
    }
};
