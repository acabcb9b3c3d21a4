#include "tesseractengine.h"

#include "imagepreparation.h"
#include "recognitionlogging.h"
#include "tesseractlanguages.h"

#include <QElapsedTimer>
#include <QFile>

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// Screens show about 96 pixels per inch; an enlarged image has proportionally more.
constexpr int screenResolution = 96;
// A line counts as indented from this many character widths on: the side bearings of different first
// letters shift unindented lines of proportional text by up to about half a character.
constexpr double minimumIndentation = 0.75;

QString lineText(const tesseract::ResultIterator& iterator)
{
    const std::unique_ptr<char[]> text(iterator.GetUTF8Text(tesseract::RIL_TEXTLINE));
    // Tesseract ends every line with a line break.
    return text ? QString::fromUtf8(text.get()).trimmed() : QString();
}

// The typical advance from one character to the next: for each word of three or more symbols the
// distance between its first and last symbol's left edges over the symbols between them, the median
// over all words. 0 when no word is long enough.
double characterWidth(tesseract::TessBaseAPI& api)
{
    const std::unique_ptr<tesseract::ResultIterator> iterator(api.GetIterator());
    if (!iterator || iterator->Empty(tesseract::RIL_SYMBOL))
        return 0;
    std::vector<double> widths;
    int first = 0;
    int last = 0;
    int symbols = 0;
    const auto endWord = [&] {
        if (symbols >= 3 && last > first)
            widths.push_back(double(last - first) / (symbols - 1));
        symbols = 0;
    };
    do {
        int left = 0, top = 0, right = 0, bottom = 0;
        if (!iterator->BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom))
            continue;
        if (iterator->IsAtBeginningOf(tesseract::RIL_WORD)) {
            endWord();
            first = left;
        }
        last = left;
        ++symbols;
    } while (iterator->Next(tesseract::RIL_SYMBOL));
    endWord();
    if (widths.empty())
        return 0;
    const auto middle = widths.begin() + widths.size() / 2;
    std::nth_element(widths.begin(), middle, widths.end());
    return *middle;
}

QList<RecognisedLine> recognisedLines(tesseract::TessBaseAPI& api)
{
    QList<RecognisedLine> lines;
    const std::unique_ptr<tesseract::ResultIterator> iterator(api.GetIterator());
    if (!iterator || iterator->Empty(tesseract::RIL_TEXTLINE))
        return lines;
    do {
        int left = 0, top = 0, right = 0, bottom = 0;
        iterator->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
        lines.append({lineText(*iterator), left});
    } while (iterator->Next(tesseract::RIL_TEXTLINE));
    return lines;
}

} // namespace

TesseractEngine::TesseractEngine(const QString& language, const QString& dataPath)
    : m_language(language)
{
    QElapsedTimer timer;
    timer.start();
    const QStringList installed = installedRecognitionLanguages(dataPath);
    const QStringList wanted = language.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    for (const QString& code : wanted.isEmpty() ? QStringList{language} : wanted) {
        // Checked first so that a missing language is reported plainly, without Tesseract's own chatter.
        if (!installed.contains(code)) {
            m_initError =
                QStringLiteral("The trained data for the language \"%1\" could not be loaded: there is "
                               "no %1.traineddata in %2.")
                    .arg(code, recognitionDataPath(dataPath));
            qCWarning(lcRecognition).noquote() << m_initError;
            return;
        }
    }

    auto api = std::make_unique<tesseract::TessBaseAPI>();
    const QByteArray path = QFile::encodeName(dataPath);
    std::vector<std::string> names{"debug_file"};
    std::vector<std::string> values{"/dev/null"};
    if (api->Init(dataPath.isEmpty() ? nullptr : path.constData(), language.toUtf8().constData(),
                  tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false) != 0) {
        m_initError = QStringLiteral("The trained data for the language \"%1\" could not be loaded from %2.")
                          .arg(language, recognitionDataPath(dataPath));
        qCWarning(lcRecognition).noquote() << m_initError;
        return;
    }
    // A crop is one block of lines, and prepare() already turns light text on dark into dark on light.
    api->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    api->SetVariable("tessedit_do_invert", "0");
    m_api = std::move(api);
    qCDebug(lcRecognition) << "Tesseract ready for" << language << "in" << timer.elapsed() << "ms";
}

TesseractEngine::~TesseractEngine() = default;

RecognitionOutcome TesseractEngine::perform(const QImage& image)
{
    RecognitionOutcome outcome;
    if (!m_api) {
        outcome.error = m_initError;
        return outcome;
    }
    const ImagePreparation::PreparedImage prepared = ImagePreparation::prepare(image);
    if (prepared.image.isNull()) {
        outcome.results = QList<TextObservation>();
        return outcome;
    }
    QElapsedTimer timer;
    timer.start();
    const QImage& grey = prepared.image;
    m_api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    m_api->SetSourceResolution(screenResolution * prepared.scale);
    if (m_api->Recognize(nullptr) != 0) {
        m_api->Clear();
        outcome.error = QStringLiteral("Tesseract could not read the image.");
        qCWarning(lcRecognition).noquote() << *outcome.error;
        return outcome;
    }
    const QList<RecognisedLine> lines = recognisedLines(*m_api);
    const QStringList texts = indentedLines(lines, characterWidth(*m_api));
    m_api->Clear();

    QList<TextObservation> observations;
    for (const QString& text : texts) {
        TextObservation observation;
        if (!text.trimmed().isEmpty())
            observation.topCandidates = {text};
        observations.append(observation);
    }
    qCDebug(lcRecognition) << "Read" << observations.size() << "lines from" << image.size() << "scale"
                           << prepared.scale << (prepared.inverted ? "inverted" : "") << "in"
                           << timer.elapsed() << "ms";
    outcome.results = observations;
    return outcome;
}

QStringList indentedLines(const QList<RecognisedLine>& lines, double characterWidth)
{
    int leftmost = 0;
    bool any = false;
    for (const RecognisedLine& line : lines) {
        if (!line.text.trimmed().isEmpty()) {
            leftmost = any ? std::min(leftmost, line.left) : line.left;
            any = true;
        }
    }
    QStringList texts;
    for (const RecognisedLine& line : lines) {
        const QString text = line.text.trimmed();
        const double indentation = characterWidth > 0 ? (line.left - leftmost) / characterWidth : 0;
        const int spaces =
            indentation < minimumIndentation || text.isEmpty() ? 0 : int(std::lround(indentation));
        texts.append(QString(spaces, QLatin1Char(' ')) + text);
    }
    return texts;
}
