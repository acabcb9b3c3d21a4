#include "keyboardlayoutx11.h"

#include "shortcutslogging.h"

#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>

namespace {

xcb_connection_t* qtConnection()
{
    // The offscreen platform offers the same interface; only the xcb platform runs on the X server.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ||
        QGuiApplication::platformName() != QLatin1StringView("xcb"))
        return nullptr;
    auto* x11 = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                    ->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Qt has already enabled XKB on its connection; this only checks that the server has it.
bool hasXkb(xcb_connection_t* connection)
{
    static xcb_connection_t* checked = nullptr;
    if (connection == checked)
        return true;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr,
                                     nullptr))
        return false;
    checked = connection;
    return true;
}

} // namespace

namespace KeyboardLayoutX11 {

bool isAvailable()
{
    return qtConnection();
}

xkb_keymap* newCurrentKeymap()
{
    xcb_connection_t* connection = qtConnection();
    if (!connection)
        return nullptr;
    if (!hasXkb(connection)) {
        qCDebug(lcShortcuts) << "The X server has no usable XKB extension: no keyboard layout";
        return nullptr;
    }
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device == -1) {
        qCDebug(lcShortcuts) << "No core keyboard on the X server: no keyboard layout";
        return nullptr;
    }
    xkb_context* context = xkb_context_new(
        xkb_context_flags(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context)
        return nullptr;
    xkb_keymap* keymap =
        xkb_x11_keymap_new_from_device(context, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(context);
    if (!keymap)
        qCDebug(lcShortcuts) << "Could not read the keymap of the X server";
    return keymap;
}

} // namespace KeyboardLayoutX11
