// The screens and the pointer as Qt sees them (QGuiApplication::screens(), QCursor::pos()), turned into
// global bottom-up points here and nowhere else. Main thread only; without screens the list is empty,
// there is no main screen and the pointer is at the origin.
#pragma once

#include "screens.h"

class QScreen;

class QtScreens : public Screens {
public:
    QList<ScreenDescription> screens() const override;
    std::optional<ScreenDescription> mainScreen() const override;
    QPointF mouseLocation() const override;
    QRectF topDownFrame(const QRectF& bottomUpFrame) const override;

    // A screen's display id is the 32-bit FNV-1a hash of its name (the RandR output or monitor name the
    // X server gives it), so it stays the same while the screens do not change, also across runs.
    static quint32 displayIdOf(const QScreen* screen);
    // The screen with that display id; null when there is none.
    static QScreen* screenWithDisplayId(quint32 displayId);
};
