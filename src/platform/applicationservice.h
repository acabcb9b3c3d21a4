// The application as a whole: activation, hiding and termination. Main thread only.
#pragma once

class ApplicationService {
public:
    virtual ~ApplicationService() = default;
    // Brings the application forward so that its next window gets the focus.
    virtual void activate() = 0;
    // Hides the application's windows and gives the focus back to the window that had it. They come
    // back when the application is activated or shows a window again.
    virtual void hide() = 0;
    // Ends the run loop; the process exits.
    virtual void terminate() = 0;
};
