// Reading the bytes of X window properties (as xcb_get_property returns them) into the values the window
// list reports. Pure functions, any thread; absent or malformed data gives an empty result, never a crash.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMargins>
#include <QString>

#include <optional>

namespace WindowProperties {

struct Property {
    quint32 type = 0;  // 0 (None) when the window has no such property
    quint8 format = 0; // bits per item: 8, 16 or 32
    QByteArray value;
};

// The window types of _NET_WM_WINDOW_TYPE that the list tells apart.
enum class WindowType {
    Normal,
    Dialog,
    Desktop,
    Dock,
    Toolbar,
    Menu,
    Utility,
    Splash,
    DropdownMenu,
    PopupMenu,
    Combo,
    Tooltip,
    Notification,
    Dnd
};

// The layers reported for them: 0 for normal application windows, below it the desktop, above it the
// rest in the order they are usually stacked.
enum Layer : int {
    DesktopLayer = -1000,
    NormalLayer = 0,
    UtilityLayer = 3,
    DockLayer = 20,
    SplashLayer = 21,
    PopupLayer = 101,
    TooltipLayer = 102,
    NotificationLayer = 103,
    DragLayer = 104,
};

// The atom names of the window types, to be interned.
QList<QByteArray> windowTypeAtomNames();
std::optional<WindowType> windowTypeFromAtomName(QByteArrayView name);
int layerOf(WindowType type);

// A list of 32-bit items (CARDINAL, ATOM, WINDOW); none when absent or not such a list.
std::optional<QList<quint32>> values32(const Property& property);

// _NET_WM_WINDOW_TYPE: the first type the list knows decides; no property or no known type is a normal
// window; a malformed property gives none.
std::optional<int> layerFromWindowTypes(const Property& property, const QHash<quint32, WindowType>& types);

// WM_CLASS, the instance and the class name each ended by a NUL: the class, else the instance.
std::optional<QString> ownerNameFromWmClass(QByteArrayView bytes);
std::optional<QString> ownerNameFromWmClass(const Property& property);
// The contents of /proc/PID/comm.
std::optional<QString> ownerNameFromProcessName(QByteArrayView bytes);

// _NET_WM_PID; none when absent, malformed or 0.
std::optional<quint32> processId(const Property& property);
// Whether WM_CLIENT_MACHINE names this host, so that the window's process id means a process here.
// A window that does not say counts as local.
bool isLocalMachine(const Property& clientMachine, QByteArrayView hostName);

// _NET_FRAME_EXTENTS (left, right, top, bottom); none when absent, malformed or implausible.
std::optional<QMargins> frameExtents(const Property& property);

// Whether a list of atoms (_NET_WM_STATE) holds the given one.
bool containsAtom(const Property& property, quint32 atom);

} // namespace WindowProperties
