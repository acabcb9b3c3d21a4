#include "platformloader.h"

#include "linux/boundedimageloader.h"
#include "linux/canberrasystemsound.h"
#include "linux/cld2languagerecognizer.h"
#include "linux/clipboardpasteboard.h"
#include "linux/dbusinstancechannel.h"
#include "linux/desktopurlopener.h"
#include "linux/filedialogopenpanel.h"
#include "linux/jsonfileuserdefaults.h"
#include "linux/nullhotkeybackend.h"
#include "linux/nullinstancechannel.h"
#include "linux/nullreviewprompt.h"
#include "linux/qtapplicationservice.h"
#include "linux/qtmodifierkeys.h"
#include "linux/qtscreens.h"
#include "linux/qtspeechsynthesizer.h"
#include "platformlogging.h"
#include "wayland/displaycaptureportal.h"
#include "wayland/nullwindowlist.h"
#include "wayland/portalhotkeybackend.h"
#include "x11/displaycapturex11.h"
#include "x11/hotkeybackendx11.h"
#include "x11/windowlistx11.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QGuiApplication>

std::shared_ptr<const ImageLoader> loadImageLoader()
{
    return std::make_shared<BoundedImageLoader>();
}

std::shared_ptr<const LanguageRecognizer> loadLanguageRecognizer()
{
    return std::make_shared<Cld2LanguageRecognizer>();
}

std::unique_ptr<InstanceChannel> loadInstanceChannel()
{
    // No bus is started where the session announces none: libdbus would launch one for the X display
    // (autolaunch), which outlives Oculo and costs a third of a second.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return std::make_unique<NullInstanceChannel>();
    // A connection of its own, closed with the channel: a start that found no Oculo to hand its request
    // to and becomes Oculo itself leaves nothing behind for the application it makes next.
    static int channels = 0;
    return std::make_unique<DBusInstanceChannel>(QDBusConnection::connectToBus(
        QDBusConnection::SessionBus, QStringLiteral("oculo-instance-%1").arg(++channels)));
}

namespace {

// A Wayland session shows no other client's pixels or keys to an X11 client, even one on XWayland: the
// desktop portal stands in for both.
bool isWaylandSession()
{
    return QGuiApplication::platformName().startsWith(u"wayland") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland";
}

} // namespace

std::unique_ptr<Platform> loadPlatform()
{
    auto platform = std::make_unique<Platform>();
    platform->isFirstLaunch = !QFileInfo::exists(JsonFileUserDefaults::defaultFilePath());
    platform->userDefaults = std::make_unique<JsonFileUserDefaults>();
    platform->pasteboard = std::make_unique<ClipboardPasteboard>();
    platform->urlOpener = std::make_unique<DesktopUrlOpener>();
    platform->modifierKeys = std::make_unique<QtModifierKeys>();
    platform->imageLoader = loadImageLoader();
    platform->openPanel = std::make_unique<FileDialogOpenPanel>();
    platform->systemSound = std::make_unique<CanberraSystemSound>();
    platform->reviewPrompt = std::make_unique<NullReviewPrompt>();
    platform->screens = std::make_unique<QtScreens>();
    if (isWaylandSession()) {
        // Where the session announces no bus, a connection that is not connected (libdbus would start a
        // bus of its own otherwise): the portal services then say that they have none.
        const QDBusConnection bus = qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
                                        ? QDBusConnection(QStringLiteral("oculo-no-session-bus"))
                                        : QDBusConnection::sessionBus();
        platform->displayCapture = std::make_unique<DisplayCapturePortal>(bus);
        platform->windowList = std::make_unique<NullWindowList>();
        if (PortalHotKeyBackend::isOffered(bus))
            platform->hotKeyBackend = std::make_unique<PortalHotKeyBackend>(bus);
        else
            platform->hotKeyBackend = std::make_unique<NullHotKeyBackend>();
    } else {
        platform->displayCapture = std::make_unique<DisplayCaptureX11>();
        platform->windowList = std::make_unique<WindowListX11>();
        platform->hotKeyBackend = std::make_unique<HotKeyBackendX11>();
    }
    platform->application = std::make_unique<QtApplicationService>();
    platform->speechSynthesizer = std::make_unique<QtSpeechSynthesizer>();
    platform->languageRecognizer = std::make_unique<Cld2LanguageRecognizer>();
    qCDebug(lcPlatform) << "Platform services for" << QGuiApplication::platformName()
                        << (isWaylandSession() ? "in a Wayland session" : "");
    return platform;
}
