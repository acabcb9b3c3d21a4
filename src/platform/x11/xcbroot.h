// The root window of the X screen this process was started on (the screen number of $DISPLAY).
#pragma once

#include <xcb/xcb.h>

xcb_window_t rootWindowOf(xcb_connection_t* connection);
