// Takes an image of the whole of one display, in its pixels. Main thread only.
#pragma once

#include <QImage>
#include <QRegion>

#include <chrono>

class DisplayCapture {
public:
    virtual ~DisplayCapture() = default;
    // The display's image (width and height are its frame times its scale); null on failure.
    virtual QImage createDisplayImage(quint32 displayId) = 0;
    // Whether the session lets this process capture the screen. An X11 session always does.
    virtual bool hasScreenCaptureAccess() const { return true; }
    // Asks the session for the access; nothing to ask for on X11.
    virtual void requestScreenCaptureAccess() {}

    // Starts noting what is drawn on the display, before windows are taken off it.
    virtual void beginRedrawWatch() {}
    // Waits until `area` (global top-down points), uncovered since the watch began, has been drawn
    // again and drawing there has paused, at most `bound`; then the watch ends. True when it was seen
    // redrawn, false when the bound ran out or nothing can be watched (then the wait is the bound's or
    // none at all, as the session allows).
    virtual bool waitForRedraw(const QRegion& area, std::chrono::milliseconds bound)
    {
        (void)area;
        (void)bound;
        return true;
    }
};
