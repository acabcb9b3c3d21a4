// Images of whole displays taken from the X11 root window (QScreen::grabWindow(0) of the display's
// screen), in the display's pixels: its frame times its scale, RGB32, device pixel ratio 1. Main thread
// only; an unknown display id, a session without an X connection or a grab of the wrong size gives a
// null image. The redraw watch sees what the X server draws after windows are taken off the screen.
#pragma once

#include "displaycapture.h"
#include "redrawwatchx11.h"

class DisplayCaptureX11 : public DisplayCapture {
public:
    QImage createDisplayImage(quint32 displayId) override;
    void beginRedrawWatch() override;
    bool waitForRedraw(const QRegion& area, std::chrono::milliseconds bound) override;

private:
    RedrawWatchX11 m_redrawWatch;
};
