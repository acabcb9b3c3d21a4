// Screens and a pointer for unit tests: whatever the test sets, in global bottom-up points.
#pragma once

#include "screens.h"

class FakeScreens : public Screens {
public:
    QList<ScreenDescription> screenList;
    std::optional<ScreenDescription> main;
    QPointF mouse;

    QList<ScreenDescription> screens() const override { return screenList; }
    std::optional<ScreenDescription> mainScreen() const override { return main; }
    QPointF mouseLocation() const override { return mouse; }
};
