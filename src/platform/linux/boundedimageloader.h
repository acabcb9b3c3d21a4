// Decodes images by their content with Qt's image plugins, and renders the first page of a PDF with
// Poppler, refusing anything larger than its limits before allocating for it. Thread-safe: one loader
// is shared by the worker threads. Corrupt, truncated, locked or oversized input gives a null image.
#pragma once

#include "imageloader.h"

class QIODevice;

class BoundedImageLoader : public ImageLoader {
public:
    struct Limits {
        // Longest side of a decoded image, in pixels.
        int maxSide = 16384;
        // Pixels of a decoded image: 64 Mi, that is 256 MiB at four bytes per pixel.
        qint64 maxPixels = qint64(64) * 1024 * 1024;
        // Resolution a PDF page is rendered at, lowered for pages that would exceed the limits.
        double pdfDotsPerInch = 300.0;
        // Longest a PDF page may take to render; a page still drawing by then gives a null image.
        int pdfRenderMilliseconds = 30000;
    };

    // Construct on the main thread before workers use it: it sets Qt's process-wide image allocation
    // limit to what the largest allowed image needs at 16 bits per channel (512 MiB by default) when
    // the limit is lower or unbounded, and sends Poppler's messages to the platform log.
    BoundedImageLoader()
        : BoundedImageLoader(Limits{})
    {}
    explicit BoundedImageLoader(const Limits& limits);

    const Limits& limits() const { return m_limits; }

    QImage loadFile(const QString& path) const override;
    QImage loadData(const QByteArray& data) const override;

private:
    QImage load(QIODevice& device) const;
    QImage readRaster(QIODevice& device) const;
    QImage renderPdf(QIODevice& device) const;
    bool fitsLimits(qint64 width, qint64 height) const;

    Limits m_limits;
};
