#include "displaycapturex11.h"

#include "linux/qtscreens.h"
#include "platformlogging.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

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
