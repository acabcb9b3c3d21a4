// The application as a whole: activation, hiding and termination. Main thread only.
#pragma once

#include <QRegion>

class ApplicationService {
public:
    virtual ~ApplicationService() = default;
    // Brings the application forward so that its next window gets the focus.
    virtual void activate() = 0;
    // Hides the application's windows and gives the focus back to the window that had it. They come
    // back when the application is activated or shows a window again.
    virtual void hide() = 0;
    // Takes the application's windows off the screen for a picture of the display: hides every visible
    // one but the tray icon (open menus close for good) and returns the area, in global top-down points,
    // that they and the windows hidden a moment before covered; empty when there was none.
    virtual QRegion stepAside() = 0;
    // Shows again what stepAside() hid.
    virtual void stepBack() = 0;
    // Ends the run loop; the process exits.
    virtual void terminate() = 0;
};
