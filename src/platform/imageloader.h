// Decodes image files and encoded image data into bitmaps: the formats of Qt's image plugins, and the
// first page of a PDF rendered at a resolution fit for text recognition. Bounded: an image too large
// to decode within the memory limit, or corrupt, gives a null image. Thread-safe; called off the main
// thread.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class ImageLoader {
public:
    virtual ~ImageLoader() = default;
    virtual QImage loadFile(const QString& path) const = 0;
    virtual QImage loadData(const QByteArray& data) const = 0;
};
