// Display images for unit tests: the image the test put under a display id (null for any other id),
// with a count of the calls and the ids asked for.
#pragma once

#include "displaycapture.h"

#include <QList>
#include <QMap>

class FakeDisplayCapture : public DisplayCapture {
public:
    QMap<quint32, QImage> images;
    QList<quint32> requestedIds;
    int redrawWatchCount = 0;
    // The areas waited for, and how many display images had been asked for before each wait.
    QList<QRegion> redrawnAreas;
    QList<int> imagesBeforeRedraw;

    int callCount() const { return int(requestedIds.size()); }

    QImage createDisplayImage(quint32 displayId) override
    {
        requestedIds.append(displayId);
        return images.value(displayId);
    }
    void beginRedrawWatch() override { ++redrawWatchCount; }
    bool waitForRedraw(const QRegion& area, std::chrono::milliseconds) override
    {
        redrawnAreas.append(area);
        imagesBeforeRedraw.append(callCount());
        return true;
    }
};
