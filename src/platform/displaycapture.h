// Takes an image of the whole of one display, in its pixels. Main thread only.
#pragma once

#include <QImage>

class DisplayCapture {
public:
    virtual ~DisplayCapture() = default;
    // The display's image (width and height are its frame times its scale); null on failure.
    virtual QImage createDisplayImage(quint32 displayId) = 0;
    // Whether the session lets this process capture the screen. An X11 session always does.
    virtual bool hasScreenCaptureAccess() const { return true; }
    // Asks the session for the access; nothing to ask for on X11.
    virtual void requestScreenCaptureAccess() {}
};
