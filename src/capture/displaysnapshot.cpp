#include "displaysnapshot.h"

void DisplaySnapshot::take(const QList<ScreenDescription>& screens)
{
    m_images.clear();
    for (const ScreenDescription& screen : screens) {
        if (!screen.displayId || m_images.contains(*screen.displayId))
            continue;
        QImage image = m_live.createDisplayImage(*screen.displayId);
        if (image.isNull())
            continue;
        image.setDevicePixelRatio(screen.backingScaleFactor);
        m_images.insert(*screen.displayId, image);
    }
}

QImage DisplaySnapshot::createDisplayImage(quint32 displayId)
{
    return m_images.value(displayId);
}
