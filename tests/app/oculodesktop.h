// What the end-to-end tests of the real oculo program need on the X display: another client's view of
// it (whether a key combination is grabbed, whether the capture overlay is up, which menus are open),
// where oculo's tray icon is, and xdotool runs.
#pragma once

#include "x11testmain.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

// The display as another client sees it.
class OtherClient {
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(m_connection))
            m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }
    bool isOpen() const { return m_screen != nullptr; }

    // Whether some client holds the combination: a grab of our own is refused then (and released
    // at once when granted).
    bool isGrabbedByAnother(quint8 keyCode, quint16 modifiers)
    {
        xcb_generic_error_t* error = xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 0, m_screen->root, modifiers, keyCode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (!error) {
            xcb_ungrab_key(m_connection, keyCode, m_screen->root, modifiers);
            xcb_flush(m_connection);
            return false;
        }
        std::free(error);
        return true;
    }

    // Whether a window of oculo that ignores the window manager covers the whole screen: the overlay.
    bool overlayShown()
    {
        const Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_screen->root), nullptr),
            &std::free);
        if (!tree)
            return false;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            if (isOverlay(children[i]))
                return true;
        }
        return false;
    }

    // Whether some client owns the selection `name`: WM_S0 for the window manager, _NET_SYSTEM_TRAY_S0
    // for the system tray.
    bool isSelectionOwned(const QByteArray& name)
    {
        const Reply<xcb_intern_atom_reply_t> atom(
            xcb_intern_atom_reply(m_connection,
                                  xcb_intern_atom(m_connection, 0, quint16(name.size()), name.constData()),
                                  nullptr),
            &std::free);
        if (!atom)
            return false;
        const Reply<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, atom->atom),
                                          nullptr),
            &std::free);
        return owner && owner->owner != XCB_NONE;
    }

    // The open menus: viewable windows that ignore the window manager and are smaller than the screen.
    // (Qt marks the tray icon's menu as a normal window, so its type tells nothing.)
    QList<QRect> menus()
    {
        QList<QRect> found;
        const Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_screen->root), nullptr),
            &std::free);
        if (!tree)
            return found;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            const Reply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(
                    m_connection, xcb_get_window_attributes(m_connection, children[i]), nullptr),
                &std::free);
            if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
                !attributes->override_redirect)
                continue;
            const Reply<xcb_get_geometry_reply_t> geometry(
                xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, children[i]), nullptr),
                &std::free);
            if (geometry && (geometry->width < m_screen->width_in_pixels ||
                             geometry->height < m_screen->height_in_pixels))
                found.append(QRect(geometry->x, geometry->y, geometry->width, geometry->height));
        }
        return found;
    }

    // The menu open where it was asked for, touching `at`.
    std::optional<QRect> menuAt(QPoint at)
    {
        for (const QRect& menu : menus()) {
            if (menu.adjusted(-2, -2, 2, 2).contains(at))
                return menu;
        }
        return std::nullopt;
    }

    // Whether a submenu is open beside the menu at `at`.
    bool submenuBesideMenuAt(QPoint at)
    {
        const std::optional<QRect> menu = menuAt(at);
        if (!menu)
            return false;
        const QList<QRect> all = menus();
        return std::any_of(all.begin(), all.end(), [&](const QRect& other) {
            return other != *menu && other.intersects(menu->adjusted(-2, -2, 2, 2));
        });
    }

private:
    bool isOverlay(xcb_window_t window)
    {
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window),
                                            nullptr),
            &std::free);
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE || !attributes->override_redirect)
            return false;
        const Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr),
            &std::free);
        if (!geometry || geometry->width != m_screen->width_in_pixels ||
            geometry->height != m_screen->height_in_pixels)
            return false;
        const Reply<xcb_get_property_reply_t> windowClass(
            xcb_get_property_reply(
                m_connection,
                xcb_get_property(m_connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64),
                nullptr),
            &std::free);
        if (!windowClass)
            return false;
        const QByteArray value(static_cast<const char*>(xcb_get_property_value(windowClass.get())),
                               xcb_get_property_value_length(windowClass.get()));
        return value.toLower().contains("oculo");
    }

    xcb_connection_t* m_connection;
    xcb_screen_t* m_screen = nullptr;
};

inline bool xdotool(const QString& arguments)
{
    return runXdotool(arguments.split(u' '));
}

// Where oculo's visible windows are, as xdotool finds them (under a window manager, inside its frames).
inline QList<QRect> visibleOculoWindows()
{
    QProcess search;
    search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                             QStringLiteral("--class"), QStringLiteral("oculo")});
    search.waitForFinished(30000);
    const QStringList windows =
        QString::fromUtf8(search.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    static const QRegularExpression geometry(
        QStringLiteral(R"(Position: (\d+),(\d+).*Geometry: (\d+)x(\d+))"),
        QRegularExpression::DotMatchesEverythingOption);
    QList<QRect> found;
    for (const QString& window : windows) {
        QProcess query;
        query.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window});
        query.waitForFinished(30000);
        const QRegularExpressionMatch match =
            geometry.match(QString::fromUtf8(query.readAllStandardOutput()));
        if (match.hasMatch())
            found.append(QRect(match.captured(1).toInt(), match.captured(2).toInt(),
                               match.captured(3).toInt(), match.captured(4).toInt()));
    }
    return found;
}

// Where the icon of oculo sits on the screen: a small visible window of oculo, none until it is there.
inline std::optional<QRect> iconGeometry()
{
    for (const QRect& rect : visibleOculoWindows()) {
        if (rect.width() <= 64 && rect.height() <= 64)
            return rect;
    }
    return std::nullopt;
}

// Presses Escape until the overlay has gone: a key pressed before the overlay holds the keyboard goes to
// another window. False when the overlay stayed for `timeoutMs`.
inline bool escapeUntilTheOverlayGoes(OtherClient& display, int timeoutMs = 30000)
{
    return QTest::qWaitFor(
        [&] {
            if (!display.overlayShown())
                return true;
            return runXdotool({QStringLiteral("key"), QStringLiteral("Escape")}) &&
                   QTest::qWaitFor([&] { return !display.overlayShown(); }, 2000);
        },
        timeoutMs);
}

inline bool keys(const QStringList& names)
{
    for (const QString& name : names) {
        if (!runXdotool({QStringLiteral("key"), name}))
            return false;
        QTest::qWait(80);
    }
    return true;
}

// A system tray on the display (trayer, the XEmbed tray host) at the top, on the right unless told
// otherwise, once it has taken the tray's selection; null when it cannot start.
inline std::unique_ptr<QProcess> startTrayHost(const QString& align = QStringLiteral("right"))
{
    auto tray = std::make_unique<QProcess>();
    tray->start(QStringLiteral("trayer"), {"--edge", "top", "--align", align, "--widthtype", "pixel",
                                           "--width", "160", "--height", "28", "--SetDockType", "true"});
    if (!tray->waitForStarted(30000))
        return nullptr;
    OtherClient display;
    if (!QTest::qWaitFor([&] { return display.isSelectionOwned("_NET_SYSTEM_TRAY_S0"); }, 30000))
        return nullptr;
    return tray;
}

// Settings for a test run in `configHome`: no capture sound. True when written.
inline bool writeQuietDefaults(const QString& configHome)
{
    QDir().mkpath(configHome + QStringLiteral("/oculo"));
    QFile defaults(configHome + QStringLiteral("/oculo/defaults.json"));
    return defaults.open(QIODevice::WriteOnly) && defaults.write(R"({"playSound": false})") > 0;
}

// The real oculo with its settings in `configHome`, showing its icon in the XEmbed tray (no desktop bus
// offers another); null when it cannot start.
inline std::unique_ptr<QProcess> startOculo(const QString& oculoPath, const QString& configHome)
{
    auto oculo = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    oculo->setProcessEnvironment(env);
    oculo->setProcessChannelMode(QProcess::ForwardedChannels);
    oculo->start(oculoPath, {});
    if (!oculo->waitForStarted(30000))
        return nullptr;
    return oculo;
}

} // namespace
