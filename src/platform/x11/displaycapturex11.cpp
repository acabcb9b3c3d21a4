#include "displaycapturex11.h"

#include "linux/devicepixels.h"
#include "linux/qtscreens.h"
#include "platformlogging.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>
#include <xcb/xcb.h>

namespace {

// A client repaints what was uncovered in one go; drawing that pauses this long is over.
constexpr std::chrono::milliseconds quietAfterRedraw{16};

xcb_connection_t* qtConnection()
{
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = application ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The area in X pixels, screen by screen.
QRegion toPixels(const QRegion& points)
{
    QRegion pixels;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const DevicePixels::ScreenScale scale{QRectF(screen->geometry()), screen->devicePixelRatio()};
        for (const QRect& rect : points)
            pixels += DevicePixels::toPixels(QRectF(rect), scale);
    }
    return pixels;
}

} // namespace

QImage DisplayCaptureX11::createDisplayImage(quint32 displayId)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ||
        !qobject_cast<QGuiApplication*>(QCoreApplication::instance())
             ->nativeInterface<QNativeInterface::QX11Application>()) {
        qCDebug(lcPlatform) << "No display image: not connected to an X server";
        return {};
    }
    QScreen* screen = QtScreens::screenWithDisplayId(displayId);
    if (!screen) {
        qCDebug(lcPlatform) << "No display image: no screen has display id" << displayId;
        return {};
    }

    const QSize expected = (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize();
    QImage image = screen->grabWindow(0).toImage();
    if (image.size() != expected) {
        qCWarning(lcPlatform) << "No display image of" << screen->name() << ": the grab is" << image.size()
                              << "instead of" << expected;
        return {};
    }
    image = image.convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1.0);
    return image;
}

void DisplayCaptureX11::beginRedrawWatch()
{
    if (qtConnection())
        m_redrawWatch.begin();
}

bool DisplayCaptureX11::waitForRedraw(const QRegion& area, std::chrono::milliseconds bound)
{
    xcb_connection_t* connection = qtConnection();
    if (!connection || !m_redrawWatch.isWatching())
        return false;
    // The unmapping of the windows taken away goes out now, not when the event loop next runs, and the
    // server has carried it out when the reply comes.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    return m_redrawWatch.wait(toPixels(area), quietAfterRedraw, bound);
}
