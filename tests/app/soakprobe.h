// What the soak test watches in the real oculo process from outside: its resident memory, open
// descriptors and threads from /proc, and its windows on the X display as another client sees them (an X
// client's windows all carry its resource id base in the high bits of their ids).
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>
#include <xcb/xcb.h>

namespace soak {

template <typename T> using XReply = std::unique_ptr<T, decltype(&std::free)>;

// The figures of a process that must not grow with use.
struct ProcessFigures {
    qint64 rssKb = -1;
    int descriptors = -1;
    int threads = -1;
    int windows = -1;
};

// VmRSS of /proc/<pid>/status in kB; -1 when it cannot be read.
inline qint64 residentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The entries of a /proc folder (fd, task); -1 when it cannot be listed.
inline int procEntries(qint64 pid, const QString& folder)
{
    const QDir dir(QStringLiteral("/proc/%1/%2").arg(pid).arg(folder));
    if (!dir.exists())
        return -1;
    return int(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

// The X display as another client sees it.
class XWindows {
public:
    XWindows()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        m_screen = xcb_setup_roots_iterator(setup).data;
        // The same for every client of the server: 0x1fffff on Xvfb.
        m_idMask = setup->resource_id_mask;
    }
    ~XWindows() { xcb_disconnect(m_connection); }
    XWindows(const XWindows&) = delete;
    XWindows& operator=(const XWindows&) = delete;

    bool isOpen() const { return m_screen != nullptr; }

    // The resource id base of the client that made `window`.
    quint32 clientBase(xcb_window_t window) const { return window & ~m_idMask; }

    // The viewable full-screen window of oculo that ignores the window manager: the capture overlay; 0
    // while there is none.
    xcb_window_t overlay()
    {
        for (xcb_window_t window : children(m_screen->root)) {
            const Attributes a = attributes(window);
            if (a.viewable && a.overrideRedirect && a.geometry.size() == screenSize() &&
                windowClass(window).toLower().contains("oculo"))
                return window;
        }
        return 0;
    }

    // All windows of the client with that base, mapped or not, at any depth of the tree.
    int countOf(quint32 base) { return countBelow(m_screen->root, base); }

    // What a click now would meet: the deepest viewable window under the pointer with its client, every
    // viewable top-level window of that client, and whether another client holds the pointer grabbed.
    QString pointerReport(quint32 base)
    {
        QStringList parts;
        const XReply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_screen->root), nullptr),
            &std::free);
        if (pointer) {
            xcb_window_t deepest = pointer->child;
            for (xcb_window_t next = deepest; next;) {
                deepest = next;
                const XReply<xcb_query_pointer_reply_t> inner(
                    xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, next), nullptr),
                    &std::free);
                next = inner ? inner->child : 0;
            }
            parts << QStringLiteral("pointer at %1,%2 over 0x%3 of %4")
                         .arg(pointer->root_x)
                         .arg(pointer->root_y)
                         .arg(deepest, 0, 16)
                         .arg(clientBase(deepest) == base
                                  ? QStringLiteral("oculo")
                                  : QStringLiteral("client 0x%1").arg(clientBase(deepest), 0, 16));
        }
        for (xcb_window_t window : viewableTopLevels(base)) {
            const Attributes a = attributes(window);
            parts << QStringLiteral("oculo window 0x%1 %2,%3 %4x%5%6")
                         .arg(window, 0, 16)
                         .arg(a.geometry.x())
                         .arg(a.geometry.y())
                         .arg(a.geometry.width())
                         .arg(a.geometry.height())
                         .arg(a.overrideRedirect ? QStringLiteral(" override-redirect") : QString());
        }
        parts << (isPointerGrabbedByAnother() ? QStringLiteral("another client holds the pointer grabbed")
                                              : QStringLiteral("nobody holds the pointer grabbed"));
        return parts.join(QStringLiteral("; "));
    }

    // Whether another client holds the pointer grabbed, as the overlay does once it has the input: a grab
    // of our own is refused then (and released at once when granted).
    bool isPointerGrabbedByAnother()
    {
        const XReply<xcb_grab_pointer_reply_t> grab(
            xcb_grab_pointer_reply(m_connection,
                                   xcb_grab_pointer(m_connection, 0, m_screen->root, 0, XCB_GRAB_MODE_ASYNC,
                                                    XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                                                    XCB_CURRENT_TIME),
                                   nullptr),
            &std::free);
        if (grab && grab->status == XCB_GRAB_STATUS_SUCCESS)
            xcb_ungrab_pointer(m_connection, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
        return grab && grab->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
    }

    // The window that has the keyboard focus.
    xcb_window_t focus()
    {
        const XReply<xcb_get_input_focus_reply_t> focus(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr), &std::free);
        return focus ? focus->focus : XCB_NONE;
    }

    // The client's viewable top-level windows.
    QList<xcb_window_t> viewableTopLevels(quint32 base)
    {
        QList<xcb_window_t> found;
        for (xcb_window_t window : children(m_screen->root)) {
            if (clientBase(window) == base && attributes(window).viewable)
                found.append(window);
        }
        return found;
    }

    // Whether a menu of the client is open at `at`, where it was asked for: a viewable window of its own
    // that ignores the window manager, smaller than the screen and touching that point. (Qt marks the
    // tray icon's menu as a normal window, so its type tells nothing.)
    bool menuShownAt(quint32 base, QPoint at)
    {
        for (xcb_window_t window : viewableTopLevels(base)) {
            const Attributes a = attributes(window);
            if (a.overrideRedirect && a.geometry.size() != screenSize() &&
                a.geometry.adjusted(-2, -2, 2, 2).contains(at))
                return true;
        }
        return false;
    }

    struct Attributes {
        bool viewable = false;
        bool overrideRedirect = false;
        QRect geometry;
    };
    Attributes attributes(xcb_window_t window)
    {
        Attributes result;
        const XReply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window),
                                            nullptr),
            &std::free);
        const XReply<xcb_get_geometry_reply_t> g(
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr),
            &std::free);
        if (!a || !g)
            return result;
        result.viewable = a->map_state == XCB_MAP_STATE_VIEWABLE;
        result.overrideRedirect = a->override_redirect;
        result.geometry = QRect(g->x, g->y, g->width, g->height);
        return result;
    }

private:
    QSize screenSize() const { return QSize(m_screen->width_in_pixels, m_screen->height_in_pixels); }

    QList<xcb_window_t> children(xcb_window_t parent)
    {
        QList<xcb_window_t> list;
        const XReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, parent), nullptr), &std::free);
        if (!tree)
            return list;
        const xcb_window_t* ids = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
            list.append(ids[i]);
        return list;
    }

    int countBelow(xcb_window_t parent, quint32 base)
    {
        int count = 0;
        for (xcb_window_t window : children(parent))
            count += (clientBase(window) == base ? 1 : 0) + countBelow(window, base);
        return count;
    }

    QByteArray windowClass(xcb_window_t window)
    {
        const XReply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(
                m_connection,
                xcb_get_property(m_connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64),
                nullptr),
            &std::free);
        if (!reply)
            return {};
        return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
    }

    xcb_connection_t* m_connection;
    xcb_screen_t* m_screen = nullptr;
    quint32 m_idMask = 0x1fffff;
};

} // namespace soak
