// Takes an image of the whole of one display, in its pixels. Main thread only.
#pragma once

#include <QImage>

class DisplayCapture {
public:
    virtual ~DisplayCapture() = default;
    // The display's image (width and height are its frame times its scale); null on failure.
    virtual QImage createDisplayImage(quint32 displayId) = 0;
};
