// Watches the X server draw: between begin() and the end of wait() it notes every rectangle drawn on
// the screen (the DAMAGE extension on the root window, which sees the drawing of every window), so that
// a picture of the display is taken only once windows just unmapped have been painted over by what lies
// below them. Uses a connection of its own, read only while waiting. Main thread only; without the
// extension or a connection, begin() does nothing and wait() waits for nothing.
#pragma once

#include <QRegion>

#include <chrono>
#include <xcb/xcb.h>

class RedrawWatchX11 {
public:
    RedrawWatchX11() = default;
    ~RedrawWatchX11();
    RedrawWatchX11(const RedrawWatchX11&) = delete;
    RedrawWatchX11& operator=(const RedrawWatchX11&) = delete;

    // Starts noting what is drawn; the server has taken the request when this returns.
    void begin();
    // Waits until every pixel of `pixels` (root coordinates) has been drawn since begin() and nothing has
    // been drawn there for `quiet`, or until `bound` has passed; then the watch ends. True when the
    // area was seen drawn; false at the bound or when no watch runs.
    bool wait(const QRegion& pixels, std::chrono::milliseconds quiet, std::chrono::milliseconds bound);
    bool isWatching() const { return m_damage != 0; }

private:
    bool connect();
    void end();

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    quint8 m_firstEvent = 0;
    bool m_unavailable = false;
    quint32 m_damage = 0;
    unsigned int m_createdAt = 0; // sequence number of the request that made the watch
};
