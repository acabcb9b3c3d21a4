// Turns images into lines of text: cuts a selected rectangle out of a screen (finding the window under
// it and playing the capture sound first) or takes a ready image, recognises it on a worker thread and
// publishes each non-empty result on `recognizedText`, on the main thread. Every failure before
// recognition ends quietly; a failed or empty recognition writes one line to standard output.
#pragma once

#include "captureitem.h"
#include "subject.h"
#include "textrecognitionengine.h"

#include <QImage>
#include <QObject>

#include <functional>
#include <memory>

class DisplayCapture;
class RecognitionEnginePool;
class Screens;
class SystemSound;
class UserDefaults;
class WindowList;
struct ScreenDescription;

class CaptureProcessing : public QObject {
    Q_OBJECT
public:
    struct Services {
        DisplayCapture& displayCapture;
        WindowList& windowList;
        Screens& screens; // places a screen's selection among the listed windows
        UserDefaults& userDefaults;
        SystemSound& systemSound;
    };
    // Receives the diagnostic lines (with their line break); called on worker threads.
    using DiagnosticSink = std::function<void(const QString&)>;

    CaptureProcessing(Services services, std::shared_ptr<RecognitionEnginePool> pool,
                      QObject* parent = nullptr);
    ~CaptureProcessing() override;

    const Subject<CaptureItem>& recognizedText() const { return m_recognizedText; }

    // `rect` is in points from the top-left corner of `screen`. Main thread.
    void captureAndRecognize(const ScreenDescription& screen, const QRectF& rect);
    // Returns at once; the result, if any, arrives later on `recognizedText`.
    void recognize(const QImage& image, const std::optional<Window>& window);
    // The application windows on screen now, front to back.
    QList<Window> onScreenWindows() const;

    // The lines of an engine's outcome, writing the diagnostics; none when nothing is to be published.
    static std::optional<QStringList> linesOf(const RecognitionOutcome& outcome, const DiagnosticSink& sink);
    static void writeToStandardOutput(const QString& line);

    void setDiagnosticSink(DiagnosticSink sink) { m_diagnosticSink = std::move(sink); }

private:
    Services m_services;
    std::shared_ptr<RecognitionEnginePool> m_pool;
    DiagnosticSink m_diagnosticSink = &CaptureProcessing::writeToStandardOutput;
    Subject<CaptureItem> m_recognizedText;
};
