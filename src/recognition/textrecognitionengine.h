// An OCR engine that turns a bitmap into text observations (one per text line, candidates best first).
// An engine is made once and reused for many images; it is used by one worker thread at a time and
// never on the main thread. A failure to perform is reported as an error text, never thrown.
#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

struct TextObservation {
    bool isText = true;        // false for an observation of another kind (dropped by the recogniser)
    QStringList topCandidates; // best first; may be empty
};

struct RecognitionOutcome {
    std::optional<QString> error;                  // set when the request could not be performed
    std::optional<QList<TextObservation>> results; // none: the engine gave no results at all
};

class TextRecognitionEngine {
public:
    virtual ~TextRecognitionEngine() = default;
    virtual RecognitionOutcome perform(const QImage& image) = 0;
};

// Makes one engine; called on the worker thread that will use it.
using TextRecognitionEngineFactory = std::function<std::unique_ptr<TextRecognitionEngine>()>;
