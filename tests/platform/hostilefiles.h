// Files that are not what they say they are, made without holding what they decode to, and a way to
// run a program on them that measures its peak memory and the time each line of its output took.
#pragma once

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace HostileFiles {

// A PNG of zero bytes (black, or transparent with alpha) streamed to the file a row at a time: a few
// kilobytes on disk per hundred megabytes it decodes to. Colour type and bit depth as PNG numbers them.
bool writeZeroPng(const QString& path, quint32 width, quint32 height, int bitDepth, int colourType);
// A small real PNG whose header claims this size; its checksum fits the new header.
QByteArray pngClaiming(quint32 width, quint32 height);
// An uncompressed greyscale TIFF whose header claims this size, followed by 64 bytes of pixels.
QByteArray tiffClaiming(quint32 width, quint32 height);
// A one-page PDF of this size in points, black in a square of a tenth of its width at the top left.
QByteArray pdfPage(double widthPoints, double heightPoints);
// A file of this size that takes no space: a hole, all zero bytes.
bool writeSparse(const QString& path, qint64 size);
bool writeBytes(const QString& path, const QByteArray& bytes);
// The files in `folder` that Open, drops and --recognize must refuse quickly: a FIFO named x.png, a link
// to /dev/zero, a 2 GB sparse file, a link loop, a folder, an empty and a truncated PDF, a PNG claiming
// 100000 x 100000 pixels, a decompression bomb (32768 x 32768 zero pixels in about a megabyte) and a
// TIFF claiming 1000000 x 1000000. Their paths, in that order (one per loop); empty when one could not
// be made.
QStringList writeMisleadingFiles(const QString& folder);

// The most a program reading one of these files may use, resident, and the longest it may take for
// one: 1 GiB and 5 seconds; 2 GiB and 15 seconds in sanitized builds (OCULO_SANITIZED_BUILD defined, or
// OCULO_SANITIZE set to 1 in the environment for a sanitized oculo), whose shadow memory, quarantine and
// slower code count.
qint64 memoryLimitKiB();
// The resident high-water mark of a running process, from /proc; 0 once it is gone.
qint64 highWaterKiB(pid_t pid);
int timeLimitMs();

struct MeasuredRun {
    struct Line {
        double seconds = 0; // since the start, when the line arrived
        qint64 peakKiB = 0; // the process's resident high-water mark then
        bool onError = false;
        QByteArray text;
    };
    bool started = false;
    bool timedOut = false;
    bool exited = false; // normally, with exitCode; else killed by termSignal
    int exitCode = -1;
    int termSignal = 0;
    double seconds = 0;
    qint64 peakKiB = 0; // the resident high-water mark of the whole run (getrusage)
    QByteArray out;
    QByteArray err;
    QList<Line> lines;
};

// Runs the program to its end, killing it after timeoutMs; standard input is empty.
MeasuredRun runMeasured(const QString& program, const QStringList& arguments, int timeoutMs,
                        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

} // namespace HostileFiles
