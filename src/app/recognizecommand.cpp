#include "recognizecommand.h"

#include "captureprocessing.h"
#include "imageloader.h"
#include "recognitionenginepool.h"

#include <QIODevice>
#include <QTextStream>

#include <deque>
#include <optional>

namespace {

const QString standardInputName = QStringLiteral("-");
// The most an image on standard input may take: as much as the largest image the loader decodes holds
// at four bytes a pixel.
constexpr qint64 maxStandardInputBytes = qint64(256) * 1024 * 1024;

struct PendingFile {
    QString name; // as the header and the errors name it
    QFuture<RecognitionOutcome> outcome;
};

// What `device` holds up to its end, read in chunks; none when that is more than `maxBytes`.
std::optional<QByteArray> readToEnd(QIODevice& device, qint64 maxBytes)
{
    QByteArray data;
    for (;;) {
        const QByteArray chunk = device.read(std::min<qint64>(64 * 1024, maxBytes + 1 - data.size()));
        if (chunk.isEmpty())
            return data;
        data.append(chunk);
        if (data.size() > maxBytes)
            return std::nullopt;
    }
}

} // namespace

int runRecognizeCommand(const QStringList& files, const ImageLoader& loader, RecognitionEnginePool& pool,
                        QIODevice& standardInput, QTextStream& out, QTextStream& err)
{
    const bool withHeaders = files.size() > 1;
    int status = 0;
    std::deque<PendingFile> pending;

    auto finishOldest = [&] {
        PendingFile file = std::move(pending.front());
        pending.pop_front();
        QStringList diagnostics;
        const auto lines = CaptureProcessing::linesOf(file.outcome.result(),
                                                      [&](const QString& line) { diagnostics.append(line); });
        if (withHeaders)
            out << "==> " << file.name << " <==\n";
        if (lines) {
            for (const QString& line : *lines)
                out << line << '\n';
        }
        out.flush();
        for (const QString& line : diagnostics) {
            if (line.startsWith(u"Unable")) {
                err << "oculo: " << file.name << ": " << line;
                status = 1;
            }
        }
        err.flush();
    };

    // Images are decoded here while earlier ones are recognised on the workers; a bounded number is
    // in flight, so memory stays bounded however many files there are.
    const std::size_t inFlight = std::size_t(std::max(1, pool.maxEngines()) * 2);
    for (const QString& path : files) {
        const bool isStandardInput = path == standardInputName;
        QImage image;
        QString problem;
        if (isStandardInput) {
            const std::optional<QByteArray> data = readToEnd(standardInput, maxStandardInputBytes);
            image = data ? loader.loadData(*data) : QImage();
            problem =
                data ? QStringLiteral("cannot read an image from it")
                     : QStringLiteral("more than %1 MiB, too large to read").arg(maxStandardInputBytes >> 20);
        } else {
            image = loader.loadFile(path);
            problem = QStringLiteral("cannot read an image from this file");
        }
        const QString name = isStandardInput ? QStringLiteral("standard input") : path;
        if (image.isNull()) {
            while (!pending.empty())
                finishOldest();
            err << "oculo: " << name << ": " << problem << '\n';
            err.flush();
            status = 1;
            continue;
        }
        pending.push_back({name, pool.perform(image)});
        if (pending.size() >= inFlight)
            finishOldest();
    }
    while (!pending.empty())
        finishOldest();
    return status;
}
