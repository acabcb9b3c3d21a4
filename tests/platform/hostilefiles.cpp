#include "hostilefiles.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

#include <zlib.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace HostileFiles {

namespace {

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    const QByteArray typed = type + data;
    const auto crc =
        quint32(::crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size())));
    return bigEndian32(quint32(data.size())) + typed + bigEndian32(crc);
}

QByteArray pngHeader(quint32 width, quint32 height, int bitDepth, int colourType)
{
    QByteArray header = bigEndian32(width) + bigEndian32(height);
    header.append(char(bitDepth)).append(char(colourType)).append(3, '\0');
    return pngChunk("IHDR", header);
}

int channelsOf(int colourType)
{
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

bool sanitized()
{
#ifdef OCULO_SANITIZED_BUILD
    return true;
#else
    return qEnvironmentVariableIntValue("OCULO_SANITIZE") != 0;
#endif
}

} // namespace

bool writeZeroPng(const QString& path, quint32 width, quint32 height, int bitDepth, int colourType)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write("\x89PNG\r\n\x1a\n");
    file.write(pngHeader(width, height, bitDepth, colourType));

    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, 15, 9, Z_RLE) != Z_OK)
        return false;
    // One row: its filter byte and its pixels, all zero.
    const qint64 rowBytes = 1 + (qint64(width) * channelsOf(colourType) * bitDepth + 7) / 8;
    std::vector<Bytef> row(size_t(rowBytes), 0);
    std::vector<Bytef> out(256 * 1024);
    bool ok = true;
    for (quint32 y = 0; y <= height && ok; ++y) {
        const bool last = y == height;
        stream.next_in = row.data();
        stream.avail_in = last ? 0 : uInt(row.size());
        int result = Z_OK;
        do {
            stream.next_out = out.data();
            stream.avail_out = uInt(out.size());
            result = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            const qsizetype produced = qsizetype(out.size() - stream.avail_out);
            if (produced > 0)
                ok = ok && file.write(pngChunk(
                               "IDAT", QByteArray(reinterpret_cast<const char*>(out.data()), produced))) > 0;
        } while (ok && result == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0 || last));
        ok = ok && (last ? result == Z_STREAM_END : result == Z_OK || result == Z_BUF_ERROR);
    }
    deflateEnd(&stream);
    return ok && file.write(pngChunk("IEND", {})) > 0 && file.flush();
}

QByteArray pngClaiming(quint32 width, quint32 height)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, "png").write(image))
        return {};
    QByteArray png = buffer.data();
    // The header chunk comes first: its length, "IHDR", width and height at 16 and 20, its checksum at 29.
    png.replace(8, 25, pngHeader(width, height, 8, 2));
    return png;
}

QByteArray tiffClaiming(quint32 width, quint32 height)
{
    struct Entry {
        quint16 tag;
        quint16 type; // 3: SHORT, 4: LONG
        quint32 value;
    };
    constexpr quint32 pixelsAt = 8 + 2 + 9 * 12 + 4;
    const Entry entries[] = {{256, 4, width},    {257, 4, height}, {258, 3, 8},      {259, 3, 1}, {262, 3, 1},
                             {273, 4, pixelsAt}, {277, 3, 1},      {278, 4, height}, {279, 4, 64}};
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    const auto append16 = [&](quint16 value) {
        char bytes[2];
        qToLittleEndian(value, bytes);
        tiff.append(bytes, 2);
    };
    const auto append32 = [&](quint32 value) {
        char bytes[4];
        qToLittleEndian(value, bytes);
        tiff.append(bytes, 4);
    };
    append16(quint16(std::size(entries)));
    for (const Entry& entry : entries) {
        append16(entry.tag);
        append16(entry.type);
        append32(1);
        if (entry.type == 3) {
            append16(quint16(entry.value));
            append16(0);
        } else {
            append32(entry.value);
        }
    }
    append32(0); // no further directory
    return tiff + QByteArray(64, '\x80');
}

QByteArray pdfPage(double widthPoints, double heightPoints)
{
    const double side = widthPoints / 10;
    const QByteArray content = "0 g 0 " + QByteArray::number(heightPoints - side) + ' ' +
                               QByteArray::number(side) + ' ' + QByteArray::number(side) + " re f";
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(widthPoints) + ' ' +
            QByteArray::number(heightPoints) + "] /Contents 4 0 R >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream"};
    QByteArray out = "%PDF-1.4\n";
    QByteArray xref = "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(out.size()).rightJustified(10, '0') + " 00000 n \n";
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    return out + xref + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(out.size()) + "\n%%EOF\n";
}

bool writeSparse(const QString& path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.resize(size);
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
           file.flush();
}

QStringList writeMisleadingFiles(const QString& folder)
{
    const QDir dir(folder);
    const auto path = [&dir](const char* name) { return dir.filePath(QLatin1String(name)); };
    const QByteArray pdf = pdfPage(612, 792);
    const bool made = ::mkfifo(QFile::encodeName(path("x.png")).constData(), 0644) == 0 &&
                      QFile::link(QStringLiteral("/dev/zero"), path("zero.png")) &&
                      writeSparse(path("big.png"), qint64(2) << 30) &&
                      QFile::link(path("loop-b.png"), path("loop-a.png")) &&
                      QFile::link(path("loop-a.png"), path("loop-b.png")) &&
                      QDir().mkpath(path("folder.png")) && writeBytes(path("empty.pdf"), {}) &&
                      writeBytes(path("truncated.pdf"), pdf.left(pdf.size() / 2)) &&
                      writeBytes(path("claims.png"), pngClaiming(100000, 100000)) &&
                      writeZeroPng(path("bomb.png"), 32768, 32768, 8, 0) &&
                      writeBytes(path("claims.tiff"), tiffClaiming(1000000, 1000000));
    if (!made)
        return {};
    return {path("x.png"),      path("zero.png"),   path("big.png"),       path("loop-a.png"),
            path("folder.png"), path("empty.pdf"),  path("truncated.pdf"), path("claims.png"),
            path("bomb.png"),   path("claims.tiff")};
}

qint64 highWaterKiB(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

qint64 memoryLimitKiB()
{
    return (sanitized() ? qint64(2) : qint64(1)) * 1024 * 1024;
}

int timeLimitMs()
{
    return sanitized() ? 15000 : 5000;
}

MeasuredRun runMeasured(const QString& program, const QStringList& arguments, int timeoutMs,
                        const QProcessEnvironment& environment)
{
    MeasuredRun run;
    QList<QByteArray> argumentBytes{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        argumentBytes.append(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    QList<QByteArray> environmentBytes;
    for (const QString& variable : environment.toStringList())
        environmentBytes.append(variable.toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& variable : environmentBytes)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0)
        return run;
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (spawned != 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return run;
    }
    run.started = true;

    pollfd channels[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    QByteArray partial[2];
    bool finished = false;
    while (!finished || channels[0].fd >= 0 || channels[1].fd >= 0) {
        if (!finished) {
            int status = 0;
            rusage usage{};
            if (::wait4(pid, &status, WNOHANG, &usage) == pid) {
                finished = true;
                run.seconds = double(clock.nsecsElapsed()) / 1e9;
                run.peakKiB = usage.ru_maxrss;
                run.exited = WIFEXITED(status);
                run.exitCode = run.exited ? WEXITSTATUS(status) : -1;
                run.termSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            } else if (clock.elapsed() > timeoutMs && !run.timedOut) {
                run.timedOut = true;
                ::kill(pid, SIGKILL);
            }
        }
        if (finished && channels[0].fd < 0 && channels[1].fd < 0)
            break;
        // Once the program has ended, only what is left in the pipes is read; a child of its own that
        // still holds them open is not waited for beyond a second.
        const int ready = ::poll(channels, 2, finished ? 1000 : 10);
        if (ready <= 0) {
            if (finished)
                break;
            continue;
        }
        for (int c = 0; c < 2; ++c) {
            if (channels[c].fd < 0 || !(channels[c].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[65536];
            const ssize_t n = ::read(channels[c].fd, buffer, sizeof buffer);
            if (n <= 0) {
                if (n < 0 && errno == EINTR)
                    continue;
                ::close(channels[c].fd);
                channels[c].fd = -1;
                continue;
            }
            (c == 0 ? run.out : run.err).append(buffer, n);
            partial[c].append(buffer, n);
            for (qsizetype end; (end = partial[c].indexOf('\n')) >= 0;) {
                const qint64 peak = finished ? run.peakKiB : highWaterKiB(pid);
                run.lines.append({double(clock.nsecsElapsed()) / 1e9, peak, c == 1, partial[c].left(end)});
                partial[c].remove(0, end + 1);
            }
        }
    }
    for (pollfd& channel : channels) {
        if (channel.fd >= 0)
            ::close(channel.fd);
    }
    if (!finished) {
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        run.seconds = double(clock.nsecsElapsed()) / 1e9;
        run.peakKiB = usage.ru_maxrss;
        run.exited = WIFEXITED(status);
        run.exitCode = run.exited ? WEXITSTATUS(status) : -1;
        run.termSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return run;
}

} // namespace HostileFiles
