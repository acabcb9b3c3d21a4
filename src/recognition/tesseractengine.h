// The OCR engine behind recognition: libtesseract's LSTM engine, loaded once for a language and reused
// for every image. Used by one worker thread at a time (which one may change between images). An engine
// whose trained data could not be loaded answers every request with an error text saying so.
#pragma once

#include "textrecognitionengine.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace tesseract {
class TessBaseAPI;
}

class TesseractEngine final : public TextRecognitionEngine {
public:
    // dataPath: the folder holding <language>.traineddata; empty for Tesseract's own default.
    explicit TesseractEngine(const QString& language = QStringLiteral("eng"), const QString& dataPath = {});
    ~TesseractEngine() override;

    TesseractEngine(const TesseractEngine&) = delete;
    TesseractEngine& operator=(const TesseractEngine&) = delete;

    bool isReady() const { return m_api != nullptr; }
    QString language() const { return m_language; }

    RecognitionOutcome perform(const QImage& image) override;

private:
    std::unique_ptr<tesseract::TessBaseAPI> m_api; // null when the engine could not be initialised
    QString m_language;
    QString m_initError;
};

// A recognised line and where it starts, in pixels of the image it was read from.
struct RecognisedLine {
    QString text;
    int left = 0;
};

// The lines' texts, each line that starts at least one character further right than the leftmost one
// indented with one space per character width (characterWidth in pixels), as code is.
QStringList indentedLines(const QList<RecognisedLine>& lines, double characterWidth);
