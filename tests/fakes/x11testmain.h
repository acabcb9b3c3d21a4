// For the main of a test that needs a real X display: without one Qt cannot start on xcb, so the test
// starts on the offscreen platform instead and its initTestCase can say why it skips.
#pragma once

#include <QtGlobal>

#include <xcb/xcb.h>

inline void useOffscreenWithoutDisplay()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    xcb_disconnect(connection);
}
