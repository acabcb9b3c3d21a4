#include "displaycaptureportal.h"

#include "linux/qtscreens.h"
#include "platformlogging.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace {

// Two frames at 60 Hz.
constexpr std::chrono::milliseconds twoFrames{34};

} // namespace

DisplayCapturePortal::DisplayCapturePortal(QDBusConnection bus)
    : m_portal(std::move(bus))
{}

bool DisplayCapturePortal::hasScreenCaptureAccess() const
{
    if (m_lastAnswer)
        return *m_lastAnswer != PortalScreenshot::Answer::refused;
    if (!m_offered)
        m_offered = m_portal.isOffered();
    return *m_offered;
}

bool DisplayCapturePortal::waitForRedraw(const QRegion& area, std::chrono::milliseconds bound)
{
    if (area.isEmpty())
        return true;
    QEventLoop loop;
    QTimer::singleShot(std::min(bound, twoFrames), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return true;
}

void DisplayCapturePortal::requestScreenCaptureAccess()
{
    // Asking is taking a screenshot; the image itself is not needed.
    if (m_taking)
        return;
    m_taking = true;
    m_lastAnswer = m_portal.take().answer;
    m_taking = false;
}

std::optional<QImage> DisplayCapturePortal::desktopImage()
{
    if (m_currentImage)
        return m_currentImage;
    if (m_taking) {
        qCInfo(lcPlatform) << "No display image: the desktop portal is still answering the last request";
        return std::nullopt;
    }
    m_taking = true;
    PortalScreenshot::Result result = m_portal.take();
    m_taking = false;
    m_lastAnswer = result.answer;
    if (result.image.isNull())
        return std::nullopt;
    m_currentImage = std::move(result.image);
    // The other screens of this capture are taken before the event loop runs again.
    QTimer::singleShot(0, &m_context, [this] { m_currentImage.reset(); });
    return m_currentImage;
}

QImage DisplayCapturePortal::createDisplayImage(quint32 displayId)
{
    QScreen* screen = QtScreens::screenWithDisplayId(displayId);
    if (!screen) {
        qCDebug(lcPlatform) << "No display image: no screen has display id" << displayId;
        return {};
    }
    const std::optional<QImage> desktop = desktopImage();
    if (!desktop)
        return {};
    const QSize pixelSize = (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize();
    QImage image = screenImage(*desktop, screen->virtualGeometry(), screen->geometry(), pixelSize);
    if (image.isNull())
        qCWarning(lcPlatform) << "No display image of" << screen->name() << ": the portal's image is"
                              << desktop->size() << "for a desktop of" << screen->virtualGeometry();
    return image;
}

QImage DisplayCapturePortal::screenImage(const QImage& desktopImage, const QRect& desktop,
                                         const QRect& screen, const QSize& pixelSize)
{
    if (desktopImage.isNull() || desktop.isEmpty() || !desktop.contains(screen) || pixelSize.isEmpty())
        return {};
    // The portal's image has the desktop's layout at one scale for all of it.
    const double scaleX = double(desktopImage.width()) / desktop.width();
    const double scaleY = double(desktopImage.height()) / desktop.height();
    const QRect part(qRound((screen.x() - desktop.x()) * scaleX), qRound((screen.y() - desktop.y()) * scaleY),
                     qRound(screen.width() * scaleX), qRound(screen.height() * scaleY));
    if (!desktopImage.rect().contains(part))
        return {};
    QImage image = desktopImage.copy(part);
    if (image.size() != pixelSize)
        image = image.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image = image.convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1.0);
    return image;
}
