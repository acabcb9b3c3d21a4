#include "windowlistx11.h"
#include "xcbroot.h"

#include "linux/devicepixels.h"
#include "platformlogging.h"
#include "windowproperties.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSysInfo>

#include <cstdlib>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

using WindowProperties::Property;

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

// Waits for a reply; an error (a window that went away, say) gives none and is not reported further.
template <typename T, typename Cookie>
Reply<T> take(xcb_connection_t* connection, Cookie cookie,
              T* (*replyFunction)(xcb_connection_t*, Cookie, xcb_generic_error_t**))
{
    xcb_generic_error_t* error = nullptr;
    Reply<T> reply(replyFunction(connection, cookie, &error));
    std::free(error);
    return reply;
}

// Lengths in 32-bit units: generous for any list of windows, bounded for text.
constexpr uint32_t maxListLength = 1 << 16;
constexpr uint32_t maxTextLength = 1024;

xcb_get_property_cookie_t requestProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t atom,
                                          uint32_t maxLength = 64)
{
    return xcb_get_property(connection, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, maxLength);
}

Property takeProperty(xcb_connection_t* connection, xcb_get_property_cookie_t cookie)
{
    const auto reply = take(connection, cookie, xcb_get_property_reply);
    if (!reply || reply->type == XCB_NONE)
        return {};
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return {reply->type, reply->format, QByteArray(bytes, xcb_get_property_value_length(reply.get()))};
}

struct Atoms {
    xcb_atom_t clientListStacking = XCB_NONE;
    xcb_atom_t supportingWmCheck = XCB_NONE;
    xcb_atom_t wmState = XCB_NONE;
    xcb_atom_t wmStateHidden = XCB_NONE;
    xcb_atom_t wmWindowType = XCB_NONE;
    xcb_atom_t frameExtents = XCB_NONE;
    xcb_atom_t wmPid = XCB_NONE;
    QHash<quint32, WindowProperties::WindowType> windowTypes;
};

Atoms internAtoms(xcb_connection_t* connection)
{
    Atoms atoms;
    const std::pair<const char*, xcb_atom_t*> named[] = {
        {"_NET_CLIENT_LIST_STACKING", &atoms.clientListStacking},
        {"_NET_SUPPORTING_WM_CHECK", &atoms.supportingWmCheck},
        {"_NET_WM_STATE", &atoms.wmState},
        {"_NET_WM_STATE_HIDDEN", &atoms.wmStateHidden},
        {"_NET_WM_WINDOW_TYPE", &atoms.wmWindowType},
        {"_NET_FRAME_EXTENTS", &atoms.frameExtents},
        {"_NET_WM_PID", &atoms.wmPid},
    };
    const auto request = [&](const char* name) {
        return xcb_intern_atom(connection, 0, static_cast<uint16_t>(qstrlen(name)), name);
    };
    QList<xcb_intern_atom_cookie_t> namedCookies;
    for (const auto& [name, atom] : named)
        namedCookies.append(request(name));
    const QList<QByteArray> typeNames = WindowProperties::windowTypeAtomNames();
    QList<xcb_intern_atom_cookie_t> typeCookies;
    for (const QByteArray& name : typeNames)
        typeCookies.append(request(name.constData()));

    for (qsizetype i = 0; i < namedCookies.size(); ++i) {
        if (const auto reply = take(connection, namedCookies[i], xcb_intern_atom_reply))
            *named[i].second = reply->atom;
    }
    for (qsizetype i = 0; i < typeCookies.size(); ++i) {
        const auto reply = take(connection, typeCookies[i], xcb_intern_atom_reply);
        const auto type = WindowProperties::windowTypeFromAtomName(typeNames[i]);
        if (reply && reply->atom != XCB_NONE && type)
            atoms.windowTypes.insert(reply->atom, *type);
    }
    return atoms;
}

// The window manager's stacking list, bottom to top; none when no window manager is running that keeps
// one (its _NET_SUPPORTING_WM_CHECK window must exist and point to itself, else the list is stale).
std::optional<QList<quint32>> managedWindows(xcb_connection_t* connection, xcb_window_t root,
                                             const Atoms& atoms)
{
    if (atoms.supportingWmCheck == XCB_NONE || atoms.clientListStacking == XCB_NONE)
        return std::nullopt;
    const auto checkCookie = requestProperty(connection, root, atoms.supportingWmCheck, 1);
    const auto stackingCookie = requestProperty(connection, root, atoms.clientListStacking, maxListLength);
    const std::optional<QList<quint32>> check =
        WindowProperties::values32(takeProperty(connection, checkCookie));
    const std::optional<QList<quint32>> stacking =
        WindowProperties::values32(takeProperty(connection, stackingCookie));
    if (!check || check->isEmpty() || !stacking)
        return std::nullopt;
    const std::optional<QList<quint32>> echo = WindowProperties::values32(
        takeProperty(connection, requestProperty(connection, check->front(), atoms.supportingWmCheck, 1)));
    if (!echo || echo->isEmpty() || echo->front() != check->front())
        return std::nullopt;
    return stacking;
}

std::optional<QList<quint32>> rootChildren(xcb_connection_t* connection, xcb_window_t root)
{
    const auto tree = take(connection, xcb_query_tree(connection, root), xcb_query_tree_reply);
    if (!tree)
        return std::nullopt;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return QList<quint32>(children, children + xcb_query_tree_children_length(tree.get()));
}

struct WindowReplies {
    Reply<xcb_get_window_attributes_reply_t> attributes;
    Reply<xcb_get_geometry_reply_t> geometry;
    Reply<xcb_translate_coordinates_reply_t> origin;
    Property wmClass, pid, clientMachine, state, type, extents;
};

// Asks for everything about every window at once, then waits: one round trip for the whole list.
std::vector<WindowReplies> fetch(xcb_connection_t* connection, xcb_window_t root,
                                 const QList<quint32>& windows, const Atoms& atoms)
{
    struct Cookies {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
        xcb_get_property_cookie_t wmClass, pid, clientMachine, state, type, extents;
    };
    QList<Cookies> cookies;
    cookies.reserve(windows.size());
    for (const xcb_window_t window : windows) {
        cookies.append({xcb_get_window_attributes(connection, window), xcb_get_geometry(connection, window),
                        xcb_translate_coordinates(connection, window, root, 0, 0),
                        requestProperty(connection, window, XCB_ATOM_WM_CLASS, maxTextLength),
                        requestProperty(connection, window, atoms.wmPid),
                        requestProperty(connection, window, XCB_ATOM_WM_CLIENT_MACHINE, maxTextLength),
                        requestProperty(connection, window, atoms.wmState),
                        requestProperty(connection, window, atoms.wmWindowType),
                        requestProperty(connection, window, atoms.frameExtents)});
    }
    std::vector<WindowReplies> replies;
    replies.reserve(windows.size());
    for (const Cookies& c : cookies) {
        replies.push_back({take(connection, c.attributes, xcb_get_window_attributes_reply),
                           take(connection, c.geometry, xcb_get_geometry_reply),
                           take(connection, c.origin, xcb_translate_coordinates_reply),
                           takeProperty(connection, c.wmClass), takeProperty(connection, c.pid),
                           takeProperty(connection, c.clientMachine), takeProperty(connection, c.state),
                           takeProperty(connection, c.type), takeProperty(connection, c.extents)});
    }
    return replies;
}

bool isOnScreen(const WindowReplies& window, const Atoms& atoms)
{
    return window.attributes && window.attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
           !window.attributes->override_redirect &&
           window.attributes->_class != XCB_WINDOW_CLASS_INPUT_ONLY &&
           !WindowProperties::containsAtom(window.state, atoms.wmStateHidden);
}

// The outer edge of the window and its decorations, in X pixels.
std::optional<QRectF> framePixels(const WindowReplies& window)
{
    if (!window.geometry || !window.origin)
        return std::nullopt;
    const int border = window.geometry->border_width;
    QRect frame(window.origin->dst_x - border, window.origin->dst_y - border,
                window.geometry->width + 2 * border, window.geometry->height + 2 * border);
    if (const std::optional<QMargins> extents = WindowProperties::frameExtents(window.extents))
        frame = frame.marginsAdded(*extents);
    return QRectF(frame);
}

std::optional<QString> ownerName(const WindowReplies& window, QByteArrayView hostName)
{
    if (std::optional<QString> name = WindowProperties::ownerNameFromWmClass(window.wmClass))
        return name;
    const std::optional<quint32> pid = WindowProperties::processId(window.pid);
    if (!pid || !WindowProperties::isLocalMachine(window.clientMachine, hostName))
        return std::nullopt;
    QFile comm(QStringLiteral("/proc/%1/comm").arg(*pid));
    if (!comm.open(QIODevice::ReadOnly))
        return std::nullopt;
    return WindowProperties::ownerNameFromProcessName(comm.read(256));
}

QList<DevicePixels::ScreenScale> screenScales()
{
    QList<DevicePixels::ScreenScale> scales;
    for (const QScreen* screen : QGuiApplication::screens())
        scales.append({QRectF(screen->geometry()), screen->devicePixelRatio()});
    return scales;
}

} // namespace

std::optional<QList<WindowListEntry>> WindowListX11::onScreenWindowList() const
{
    auto* x11 = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                    ? qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                          ->nativeInterface<QNativeInterface::QX11Application>()
                    : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection)) {
        qCDebug(lcPlatform) << "No window list: not connected to an X server";
        return std::nullopt;
    }
    const xcb_window_t root = rootWindowOf(connection);
    if (root == XCB_NONE) {
        qCWarning(lcPlatform) << "No window list: the X server has no root window for this display";
        return std::nullopt;
    }
    const Atoms atoms = internAtoms(connection);
    std::optional<QList<quint32>> bottomToTop = managedWindows(connection, root, atoms);
    if (!bottomToTop)
        bottomToTop = rootChildren(connection, root);
    if (!bottomToTop) {
        qCWarning(lcPlatform) << "No window list: the X server did not list the root window's children";
        return std::nullopt;
    }

    const std::vector<WindowReplies> replies = fetch(connection, root, *bottomToTop, atoms);
    const QList<DevicePixels::ScreenScale> screens = screenScales();
    const QByteArray hostName = QSysInfo::machineHostName().toLocal8Bit();
    QList<WindowListEntry> entries;
    for (qsizetype i = qsizetype(replies.size()) - 1; i >= 0; --i) {
        const WindowReplies& window = replies[i];
        if (!isOnScreen(window, atoms))
            continue;
        WindowListEntry entry;
        entry.layer = WindowProperties::layerFromWindowTypes(window.type, atoms.windowTypes);
        if (const std::optional<QRectF> pixels = framePixels(window))
            entry.bounds = DevicePixels::toPoints(screens, *pixels);
        entry.ownerName = ownerName(window, hostName);
        entry.windowNumber = bottomToTop->at(i);
        entries.append(entry);
    }
    return entries;
}
