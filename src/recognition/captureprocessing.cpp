#include "captureprocessing.h"

#include "displaycapture.h"
#include "mainthread.h"
#include "recognitionenginepool.h"
#include "screens.h"
#include "systemsound.h"
#include "userdefaults.h"
#include "windowlist.h"

#include <QPointer>

#include <cstdio>

namespace {

const QString playSoundKey = QStringLiteral("playSound");

} // namespace

CaptureProcessing::CaptureProcessing(Services services, std::shared_ptr<RecognitionEnginePool> pool,
                                     QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_pool(std::move(pool))
{}

CaptureProcessing::~CaptureProcessing() = default;

void CaptureProcessing::captureAndRecognize(const ScreenDescription& screen, const QRectF& rect)
{
    const double scale = screen.backingScaleFactor;
    if (rect == QRectF(0, 0, 0, 0))
        return;
    if (!screen.displayId)
        return;
    const QImage display = m_services.displayCapture.createDisplayImage(*screen.displayId);
    if (display.isNull())
        return;

    // The crop is made in whole pixels of the display image: the covering integral rectangle, clipped
    // to the image. Nothing of the selection inside the image means no image.
    const QRectF pixels(rect.x() * scale, rect.y() * scale, rect.width() * scale, rect.height() * scale);
    const QRect crop = pixels.normalized().toAlignedRect().intersected(display.rect());
    if (crop.isEmpty())
        return;
    const QImage image = display.copy(crop);
    if (image.isNull())
        return;

    // The window list is in global top-down points, the selection from the screen's top-left corner.
    const QPointF screenOrigin = m_services.screens.topDownFrame(screen.frame).topLeft();
    const QRectF globalRect = rect.translated(screenOrigin);
    std::optional<Window> window;
    for (const Window& candidate : onScreenWindows()) {
        if (candidate.frame.contains(globalRect)) {
            window = candidate;
            break;
        }
    }

    if (m_services.userDefaults.boolForKey(playSoundKey))
        m_services.systemSound.playCaptureSound();

    recognize(image, window);
}

void CaptureProcessing::recognize(const QImage& image, const std::optional<Window>& window)
{
    const DiagnosticSink sink = m_diagnosticSink;
    const QPointer<CaptureProcessing> processor(this);
    m_pool->perform(image).then([sink, processor, window](const RecognitionOutcome& outcome) {
        const auto lines = linesOf(outcome, sink);
        if (!lines)
            return;
        postToMainThread([processor, window, lines = *lines] {
            if (processor)
                processor->m_recognizedText.send(CaptureItem{lines, window});
        });
    });
}

std::optional<QStringList> CaptureProcessing::linesOf(const RecognitionOutcome& outcome,
                                                      const DiagnosticSink& sink)
{
    if (outcome.error) {
        sink(QStringLiteral("Unable to perform the requests: %1.\n").arg(*outcome.error));
        return std::nullopt;
    }
    if (!outcome.results)
        return std::nullopt;
    QStringList lines;
    for (const TextObservation& observation : *outcome.results) {
        if (!observation.isText)
            return std::nullopt;
        if (!observation.topCandidates.isEmpty())
            lines.append(observation.topCandidates.first());
    }
    if (lines.isEmpty()) {
        sink(QStringLiteral("Nothing found\n"));
        return std::nullopt;
    }
    return lines;
}

void CaptureProcessing::writeToStandardOutput(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QList<Window> CaptureProcessing::onScreenWindows() const
{
    QList<Window> windows;
    const auto entries = m_services.windowList.onScreenWindowList();
    if (!entries)
        return windows;
    for (const WindowListEntry& entry : *entries) {
        if (entry.layer != 0)
            continue;
        if (!entry.bounds || !entry.ownerName || !entry.windowNumber)
            continue;
        windows.append(Window{*entry.bounds, *entry.ownerName, *entry.windowNumber});
    }
    return windows;
}
