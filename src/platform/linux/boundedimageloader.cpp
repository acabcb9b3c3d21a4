#include "boundedimageloader.h"

#include "platformlogging.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <poppler-qt6.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// The widest pixel Qt decodes into (16 bits per channel, four channels), for the allocation limit.
constexpr qint64 kWidestPixelBytes = 8;

// Reads a device front to back in chunks, so that a structure check never holds a whole file.
class ChunkReader {
public:
    explicit ChunkReader(QIODevice& device)
        : m_device(device)
    {}

    // The next byte, or -1 at the end of the data.
    int next()
    {
        if (m_pos == m_chunk.size() && !refill())
            return -1;
        return uchar(m_chunk[m_pos++]);
    }

    bool skip(qint64 count)
    {
        while (count > 0) {
            if (m_pos == m_chunk.size() && !refill())
                return false;
            const qint64 step = std::min<qint64>(count, m_chunk.size() - m_pos);
            m_pos += step;
            count -= step;
        }
        return true;
    }

    // Moves just past the next 0xFF byte; false when there is none.
    bool skipPastFF()
    {
        for (;;) {
            if (m_pos == m_chunk.size() && !refill())
                return false;
            const char* start = m_chunk.constData() + m_pos;
            const void* found = std::memchr(start, 0xFF, size_t(m_chunk.size() - m_pos));
            if (found) {
                m_pos += static_cast<const char*>(found) - start + 1;
                return true;
            }
            m_pos = m_chunk.size();
        }
    }

private:
    bool refill()
    {
        m_chunk = m_device.read(64 * 1024);
        m_pos = 0;
        return !m_chunk.isEmpty();
    }

    QIODevice& m_device;
    QByteArray m_chunk;
    qsizetype m_pos = 0;
};

bool isRestartOrStuffing(int byte)
{
    return byte == 0x00 || (byte >= 0xD0 && byte <= 0xD7);
}

// True when a JPEG stream reaches its end-of-image marker. Qt's decoder paints the missing part of a
// cut-off JPEG grey and reports success, so truncation is caught here by walking the segments (data
// after the end marker, such as an appended video, is allowed).
bool jpegReachesEnd(QIODevice& device)
{
    ChunkReader in(device);
    if (in.next() != 0xFF || in.next() != 0xD8)
        return false;
    int marker = -1;
    for (;;) {
        if (marker < 0) {
            if (!in.skipPastFF())
                return false;
            marker = in.next();
        }
        while (marker == 0xFF)
            marker = in.next();
        if (marker < 0)
            return false;
        if (marker == 0xD9)
            return true;
        const int segment = marker;
        marker = -1;
        if (segment == 0x01 || segment == 0xD8 || isRestartOrStuffing(segment))
            continue; // markers without a length
        const int high = in.next();
        const int low = in.next();
        if (low < 0)
            return false;
        const int length = high << 8 | low;
        if (length < 2 || !in.skip(length - 2))
            return false;
        if (segment != 0xDA)
            continue;
        // Entropy-coded data runs up to the first marker that is neither a stuffed zero nor a restart.
        while (marker < 0) {
            if (!in.skipPastFF())
                return false;
            int next = in.next();
            while (next == 0xFF)
                next = in.next();
            if (next < 0)
                return false;
            if (!isRestartOrStuffing(next))
                marker = next;
        }
    }
}

// True when a BMP file is long enough for the pixel data its header announces. Qt's decoder returns a
// partly filled image for a short file.
bool bmpHoldsPixels(QIODevice& device)
{
    const QByteArray header = device.read(38);
    if (header.size() < 26)
        return false;
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(header.constData() + at); };
    const auto u32 = [&](int at) {
        return at + 4 <= header.size() ? qFromLittleEndian<quint32>(header.constData() + at) : 0u;
    };
    const quint32 pixelOffset = u32(10);
    const quint32 infoSize = u32(14);
    double width = 0, height = 0, bitsPerPixel = 0;
    quint32 compression = 0, imageSize = 0;
    if (infoSize == 12) {
        width = u16(18);
        height = u16(20);
        bitsPerPixel = u16(24);
    } else if (infoSize >= 16 && header.size() >= 30) {
        width = qint32(u32(18));
        height = std::abs(double(qint32(u32(22))));
        bitsPerPixel = u16(28);
        compression = infoSize >= 20 ? u32(30) : 0;
        imageSize = infoSize >= 24 ? u32(34) : 0;
    } else {
        return true; // a header Qt does not read either; it will refuse the file
    }
    double needed = 0;
    if (compression == 1 || compression == 2)
        needed = imageSize; // run-length encoded: only the stated size is known
    else if (compression == 0 || compression == 3 || compression == 6)
        needed = std::floor((width * bitsPerPixel + 31) / 32) * 4 * height;
    return double(pixelOffset) + needed <= double(device.size());
}

// True when "%%EOF" is in the last kilobyte, where a complete PDF file has it.
bool pdfHasEndMarker(QIODevice& device)
{
    const qint64 size = device.size();
    const qint64 tail = std::min<qint64>(size, 1024);
    return device.seek(size - tail) && device.read(tail).contains("%%EOF");
}

// Checks the formats whose decoder accepts truncated data; leaves the device at its start.
bool isComplete(QIODevice& device, const QByteArray& head)
{
    bool complete = true;
    if (head.startsWith("\xFF\xD8\xFF"))
        complete = jpegReachesEnd(device);
    else if (head.startsWith("BM"))
        complete = bmpHoldsPixels(device);
    else if (head.startsWith("%PDF-"))
        complete = pdfHasEndMarker(device);
    return device.seek(0) && complete;
}

bool renderTimedOut(const QVariant& deadline)
{
    return deadline.value<QDeadlineTimer>().hasExpired();
}

void logPopplerMessage(const QString& message, const QVariant&)
{
    qCDebug(lcPlatform) << "PDF:" << message;
}

// The image as 32-bit RGB, with alpha when it has any, at one pixel per device pixel.
QImage plain(QImage image)
{
    if (image.isNull())
        return {};
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != format)
        image.convertTo(format);
    image.setDevicePixelRatio(1.0);
    return image;
}

} // namespace

BoundedImageLoader::BoundedImageLoader(const Limits& limits)
    : m_limits(limits)
{
    const qint64 mebibytes = (m_limits.maxPixels * kWidestPixelBytes + (1 << 20) - 1) >> 20;
    const int needed = int(std::min<qint64>(mebibytes, std::numeric_limits<int>::max()));
    const int current = QImageReader::allocationLimit();
    if (current == 0 || current < needed)
        QImageReader::setAllocationLimit(needed);
    Poppler::setDebugErrorFunction(&logPopplerMessage, QVariant());
}

QImage BoundedImageLoader::loadFile(const QString& path) const
{
    // Only regular files: a directory cannot be read and a pipe or device could block for ever.
    if (!QFileInfo(path).isFile()) {
        qCDebug(lcPlatform) << "Not an image file:" << path;
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcPlatform) << "Cannot open" << path << file.errorString();
        return {};
    }
    return load(file);
}

QImage BoundedImageLoader::loadData(const QByteArray& data) const
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return load(buffer);
}

QImage BoundedImageLoader::load(QIODevice& device) const
{
    const QByteArray head = device.peek(8);
    if (head.isEmpty())
        return {};
    if (!isComplete(device, head)) {
        qCDebug(lcPlatform) << "Image data is truncated";
        return {};
    }
    return plain(head.startsWith("%PDF-") ? renderPdf(device) : readRaster(device));
}

QImage BoundedImageLoader::readRaster(QIODevice& device) const
{
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    // The size comes from the header alone; a handler that cannot tell it is held to the allocation
    // limit while decoding and checked afterwards.
    const QSize size = reader.size();
    if (size.isValid() && !fitsLimits(size.width(), size.height())) {
        qCDebug(lcPlatform) << "Refusing an image of" << size << "pixels";
        return {};
    }
    QImage image;
    if (!reader.read(&image)) {
        qCDebug(lcPlatform) << "Cannot decode image:" << reader.errorString();
        return {};
    }
    if (!fitsLimits(image.width(), image.height())) {
        qCDebug(lcPlatform) << "Refusing an image of" << image.size() << "pixels";
        return {};
    }
    return image;
}

QImage BoundedImageLoader::renderPdf(QIODevice& device) const
{
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(&device);
    if (!document || document->isLocked() || document->numPages() < 1) {
        qCDebug(lcPlatform) << "PDF cannot be opened, is locked or has no pages";
        return {};
    }
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    const std::unique_ptr<Poppler::Page> page = document->page(0);
    const QSizeF points = page ? page->pageSizeF() : QSizeF();
    if (!(points.width() > 0 && points.height() > 0))
        return {};

    // Pixels per point: the OCR resolution, lowered until the page fits the limits.
    const double scale =
        std::min({m_limits.pdfDotsPerInch / 72.0, m_limits.maxSide / points.width(),
                  m_limits.maxSide / points.height(),
                  std::sqrt(double(m_limits.maxPixels) / (points.width() * points.height()))});
    const bool usable = scale > 0 && std::isfinite(scale);
    const int width = usable ? std::max(1, int(points.width() * scale)) : 0;
    const int height = usable ? std::max(1, int(points.height() * scale)) : 0;
    if (!fitsLimits(width, height)) {
        qCDebug(lcPlatform) << "Refusing a PDF page of" << points << "points";
        return {};
    }

    const QDeadlineTimer deadline(m_limits.pdfRenderMilliseconds);
    const double dpi = scale * 72.0;
    QImage image = page->renderToImage(dpi, dpi, 0, 0, width, height, Poppler::Page::Rotate0, nullptr,
                                       nullptr, &renderTimedOut, QVariant::fromValue(deadline));
    if (deadline.hasExpired()) {
        qCDebug(lcPlatform) << "PDF page took too long to render";
        return {};
    }
    return image;
}

bool BoundedImageLoader::fitsLimits(qint64 width, qint64 height) const
{
    return width > 0 && height > 0 && width <= m_limits.maxSide && height <= m_limits.maxSide &&
           width * height <= m_limits.maxPixels;
}
