// The display's image on a Wayland session: one screenshot of the whole desktop through the desktop
// portal, cut into the screens' images. The screens of one capture share one screenshot (the portal is
// asked once per capture, however many screens there are). The access is the portal's last answer: a
// session whose portal refused, or that has no Screenshot portal at all, has none. Main thread only.
#pragma once

#include "displaycapture.h"
#include "portalscreenshot.h"

#include <QImage>
#include <QObject>
#include <QRect>

#include <optional>

class DisplayCapturePortal : public DisplayCapture {
public:
    explicit DisplayCapturePortal(QDBusConnection bus);

    QImage createDisplayImage(quint32 displayId) override;
    bool hasScreenCaptureAccess() const override;
    void requestScreenCaptureAccess() override;
    // The compositor shows whole frames: once it has had the unmapping of our windows and drawn two
    // frames, the screenshot cannot hold them. Events run meanwhile.
    bool waitForRedraw(const QRegion& area, std::chrono::milliseconds bound) override;

    // The part of the desktop's image that shows the screen at `screen` (logical geometry) of a desktop
    // spanning `desktop`, in pixelSize pixels (the screen's size times its scale); null when the image
    // does not cover it.
    static QImage screenImage(const QImage& desktopImage, const QRect& desktop, const QRect& screen,
                              const QSize& pixelSize);

private:
    std::optional<QImage> desktopImage();

    PortalScreenshot m_portal;
    mutable std::optional<bool> m_offered;
    std::optional<PortalScreenshot::Answer> m_lastAnswer;
    std::optional<QImage> m_currentImage; // of the capture being started
    bool m_taking = false;
    QObject m_context; // ends the forgetting of the current image with this
};
