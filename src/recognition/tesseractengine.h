// The OCR engine behind recognition: libtesseract's LSTM engine, loaded once for a language and reused
// for every image. Used by one worker thread at a time (which one may change between images). An engine
// whose trained data could not be loaded answers every request with an error text saying so.
#pragma once

#include "imagepreparation.h"
#include "textrecognitionengine.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace tesseract {
class TessBaseAPI;
}

// What one language's model read from a prepared image: the lines as they go to the clipboard and
// how sure the model was of them.
struct Reading {
    QStringList lines;
    double confidence = 0; // mean word confidence, 0 to 100; 0 when nothing was read
    qint64 milliseconds = 0;

    bool isEmpty() const;
    QString text() const { return lines.join(QLatin1Char('\n')); }
};

class TesseractEngine final : public TextRecognitionEngine {
public:
    // dataPath: the folder holding <language>.traineddata; empty for Tesseract's own default. A failure
    // to load is logged unless reportFailure is false (the caller then reports it itself).
    explicit TesseractEngine(const QString& language = QStringLiteral("eng"), const QString& dataPath = {},
                             bool reportFailure = true);
    ~TesseractEngine() override;

    TesseractEngine(const TesseractEngine&) = delete;
    TesseractEngine& operator=(const TesseractEngine&) = delete;

    bool isReady() const { return m_api != nullptr; }
    QString language() const { return m_language; }

    QString initError() const { return m_initError; }
    // How long loading the trained data took.
    qint64 loadMilliseconds() const { return m_loadMilliseconds; }

    RecognitionOutcome perform(const QImage& image) override;
    // Reads an image that ImagePreparation::prepare made; none when the engine is not ready or
    // Tesseract failed on the image.
    std::optional<Reading> read(const ImagePreparation::PreparedImage& prepared);

private:
    std::unique_ptr<tesseract::TessBaseAPI> m_api; // null when the engine could not be initialised
    QString m_language;
    QString m_initError;
    qint64 m_loadMilliseconds = 0;
};

// A recognised line and where it starts, in pixels of the image it was read from.
struct RecognisedLine {
    QString text;
    int left = 0;
};

// The lines' texts, each line that starts at least one character further right than the leftmost one
// indented with one space per character width (characterWidth in pixels), as code is.
QStringList indentedLines(const QList<RecognisedLine>& lines, double characterWidth);

// Whether the character belongs to text written without spaces between its characters: Han ideographs,
// kana, CJK punctuation and full-width forms.
bool isCjkCharacter(char32_t c);

// The line with the spaces Tesseract puts between CJK characters taken out; spaces between a CJK
// character and Latin text, and runs of spaces that indent a line, stay.
QString withoutSpacesBetweenCjk(const QString& line);

// The line with every run of spaces after its first word made one space (the Chinese models space words
// as wide as their gaps); the spaces that indent it stay.
QString withSingleSpaces(const QString& line);

// The line with a half-width comma, colon, semicolon, exclamation or question mark that stands between
// CJK characters (or after one at the end of the line) written full-width, as Chinese text writes it.
QString withCjkPunctuation(const QString& line);
