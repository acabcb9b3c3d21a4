// Screens and a pointer for unit tests: whatever the test sets, in global bottom-up points.
#pragma once

#include "screens.h"

class FakeScreens : public Screens {
public:
    QList<ScreenDescription> screenList;
    std::optional<ScreenDescription> main; // unset: the primary one, as without an active window
    QPointF mouse;

    QList<ScreenDescription> screens() const override { return screenList; }
    std::optional<ScreenDescription> mainScreen() const override
    {
        if (main || screenList.isEmpty())
            return main;
        return screenList.first();
    }
    QPointF mouseLocation() const override { return mouse; }
    // The first screen is the primary one, its top-left corner the top-down origin.
    QRectF topDownFrame(const QRectF& frame) const override
    {
        const double top = screenList.isEmpty() ? 0 : screenList.first().frame.bottom();
        return QRectF(frame.x(), top - frame.bottom(), frame.width(), frame.height());
    }
};
