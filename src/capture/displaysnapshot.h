// The images of every display taken once when a capture starts, before the overlay is shown. The
// overlay shows them and recognition cuts its rectangle out of them, so no pixel of Oculo's own
// windows can end up in a crop. Main thread only; a display that could not be taken gives no image.
#pragma once

#include "displaycapture.h"
#include "screens.h"

#include <QHash>

class DisplaySnapshot : public DisplayCapture {
public:
    explicit DisplaySnapshot(DisplayCapture& live)
        : m_live(live)
    {}

    // Replaces the snapshot with fresh images of the given screens.
    void take(const QList<ScreenDescription>& screens);
    void clear() { m_images.clear(); }

    // The image taken of the display at the last `take`, with the screen's scale as its device pixel
    // ratio; null when there is none.
    QImage createDisplayImage(quint32 displayId) override;

private:
    DisplayCapture& m_live;
    QHash<quint32, QImage> m_images;
};
