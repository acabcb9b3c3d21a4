#include "recognizecommand.h"

#include "captureprocessing.h"
#include "imageloader.h"
#include "recognitionenginepool.h"

#include <QTextStream>

#include <deque>

namespace {

struct PendingFile {
    QString path;
    QFuture<RecognitionOutcome> outcome;
};

} // namespace

int runRecognizeCommand(const QStringList& files, const ImageLoader& loader, RecognitionEnginePool& pool,
                        QTextStream& out, QTextStream& err)
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
            out << "==> " << file.path << " <==\n";
        if (lines) {
            for (const QString& line : *lines)
                out << line << '\n';
        }
        out.flush();
        for (const QString& line : diagnostics) {
            if (line.startsWith(u"Unable")) {
                err << "oculo: " << file.path << ": " << line;
                status = 1;
            }
        }
        err.flush();
    };

    // Images are decoded here while earlier ones are recognised on the workers; a bounded number is
    // in flight, so memory stays bounded however many files there are.
    const std::size_t inFlight = std::size_t(std::max(1, pool.maxEngines()) * 2);
    for (const QString& path : files) {
        const QImage image = loader.loadFile(path);
        if (image.isNull()) {
            while (!pending.empty())
                finishOldest();
            err << "oculo: " << path << ": cannot read an image from this file\n";
            err.flush();
            status = 1;
            continue;
        }
        pending.push_back({path, pool.perform(image)});
        if (pending.size() >= inFlight)
            finishOldest();
    }
    while (!pending.empty())
        finishOldest();
    return status;
}
