#include "redrawwatchx11.h"

#include "platformlogging.h"
#include "xcbroot.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <xcb/damage.h>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

} // namespace

RedrawWatchX11::~RedrawWatchX11()
{
    end();
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool RedrawWatchX11::connect()
{
    if (m_connection)
        return true;
    if (m_unavailable)
        return false;
    m_unavailable = true;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        qCDebug(lcPlatform) << "No redraw watch: no connection to the X server";
        return false;
    }
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_damage_id);
    const Reply<xcb_damage_query_version_reply_t> version(
        extension && extension->present
            ? xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1), nullptr)
            : nullptr,
        &std::free);
    if (!version) {
        xcb_disconnect(connection);
        qCDebug(lcPlatform) << "No redraw watch: the X server has no DAMAGE extension";
        return false;
    }
    m_connection = connection;
    m_root = rootWindowOf(connection);
    m_firstEvent = extension->first_event;
    m_unavailable = false;
    return true;
}

void RedrawWatchX11::begin()
{
    end();
    if (!connect())
        return;
    const quint32 damage = xcb_generate_id(m_connection);
    const xcb_void_cookie_t create =
        xcb_damage_create_checked(m_connection, damage, m_root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    // The server reports the whole screen as drawn when the watch is made: that report, and whatever
    // else it sent while making it, is no drawing after the watch began.
    m_createdAt = create.sequence;
    xcb_generic_error_t* error = xcb_request_check(m_connection, create);
    if (error) {
        std::free(error);
        qCDebug(lcPlatform) << "No redraw watch: the X server refused it";
        return;
    }
    m_damage = damage;
}

bool RedrawWatchX11::wait(const QRegion& pixels, std::chrono::milliseconds quiet,
                          std::chrono::milliseconds bound)
{
    if (!m_damage)
        return false;
    QRegion remaining = pixels;
    QElapsedTimer clock;
    clock.start();
    qint64 lastDrawn = 0;
    bool redrawn = false;
    const int descriptor = xcb_get_file_descriptor(m_connection);
    while (!xcb_connection_has_error(m_connection)) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7f) == m_firstEvent + XCB_DAMAGE_NOTIFY) {
                const auto* notify = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
                const QRect drawn(notify->area.x, notify->area.y, notify->area.width, notify->area.height);
                if (notify->damage == m_damage && event->full_sequence > m_createdAt &&
                    pixels.intersects(drawn)) {
                    remaining -= drawn;
                    lastDrawn = clock.elapsed();
                }
            }
            std::free(event);
        }
        const qint64 now = clock.elapsed();
        if (remaining.isEmpty() && now - lastDrawn >= quiet.count()) {
            redrawn = true;
            break;
        }
        if (now >= bound.count())
            break;
        qint64 timeout = bound.count() - now;
        if (remaining.isEmpty())
            timeout = std::min(timeout, quiet.count() - (now - lastDrawn));
        pollfd readable{descriptor, POLLIN, 0};
        ::poll(&readable, 1, int(std::max<qint64>(timeout, 1)));
    }
    end();
    return redrawn;
}

void RedrawWatchX11::end()
{
    if (!m_damage)
        return;
    xcb_damage_destroy(m_connection, m_damage);
    xcb_flush(m_connection);
    // What the old watch still reports is told apart by its id and dropped at the next wait.
    m_damage = 0;
}
