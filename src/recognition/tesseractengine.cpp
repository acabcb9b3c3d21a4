#include "tesseractengine.h"

#include "imagepreparation.h"
#include "recognitionlogging.h"
#include "tesseractlanguages.h"

#include <QElapsedTimer>
#include <QFile>

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <string>
#include <utility>
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

bool Reading::isEmpty() const
{
    return std::all_of(lines.begin(), lines.end(),
                       [](const QString& line) { return line.trimmed().isEmpty(); });
}

TesseractEngine::TesseractEngine(const QString& language, const QString& dataPath, bool reportFailure)
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
            if (reportFailure)
                qCWarning(lcRecognition).noquote() << m_initError;
            return;
        }
    }

    auto api = std::make_unique<tesseract::TessBaseAPI>();
    const QByteArray path = QFile::encodeName(dataPath);
    std::vector<std::string> names{"debug_file"};
    std::vector<std::string> values{"/dev/null"};
    // Newer Tesseract releases throw for data they cannot open where older ones returned an error.
    int initStatus = -1;
    try {
        initStatus = api->Init(dataPath.isEmpty() ? nullptr : path.constData(), language.toUtf8().constData(),
                               tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false);
    } catch (const std::exception& error) {
        qCDebug(lcRecognition) << "Tesseract threw while loading" << language << ":" << error.what();
    }
    if (initStatus != 0) {
        m_initError = QStringLiteral("The trained data for the language \"%1\" could not be loaded from %2.")
                          .arg(language, recognitionDataPath(dataPath));
        if (reportFailure)
            qCWarning(lcRecognition).noquote() << m_initError;
        return;
    }
    // A crop is one block of lines, and prepare() already turns light text on dark into dark on light.
    api->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    api->SetVariable("tessedit_do_invert", "0");
    m_api = std::move(api);
    m_loadMilliseconds = timer.elapsed();
    qCDebug(lcRecognition) << "Tesseract ready for" << language << "in" << m_loadMilliseconds << "ms";
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
    const std::optional<Reading> reading = read(prepared);
    if (!reading) {
        outcome.error = QStringLiteral("Tesseract could not read the image.");
        return outcome;
    }
    QList<TextObservation> observations;
    for (const QString& text : reading->lines) {
        TextObservation observation;
        if (!text.trimmed().isEmpty())
            observation.topCandidates = {text};
        observations.append(observation);
    }
    qCDebug(lcRecognition) << "Read" << observations.size() << "lines from" << image.size() << "scale"
                           << prepared.scale << (prepared.inverted ? "inverted" : "") << "in"
                           << reading->milliseconds << "ms";
    outcome.results = observations;
    return outcome;
}

std::optional<Reading> TesseractEngine::read(const ImagePreparation::PreparedImage& prepared)
{
    if (!m_api)
        return std::nullopt;
    Reading reading;
    if (prepared.image.isNull())
        return reading;
    QElapsedTimer timer;
    timer.start();
    const QImage& grey = prepared.image;
    m_api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    m_api->SetSourceResolution(screenResolution * prepared.scale);
    int status = -1;
    try {
        status = m_api->Recognize(nullptr);
    } catch (const std::exception& error) {
        qCDebug(lcRecognition) << "Tesseract threw while reading:" << error.what();
    }
    if (status != 0) {
        m_api->Clear();
        qCWarning(lcRecognition) << "Tesseract could not read an image of" << grey.size() << "with"
                                 << m_language;
        return std::nullopt;
    }
    const QList<RecognisedLine> lines = recognisedLines(*m_api);
    for (const QString& line : indentedLines(lines, characterWidth(*m_api)))
        reading.lines.append(withCjkPunctuation(withoutSpacesBetweenCjk(withSingleSpaces(line))));
    reading.confidence = reading.isEmpty() ? 0 : std::max(0, m_api->MeanTextConf());
    m_api->Clear();
    reading.milliseconds = timer.elapsed();
    return reading;
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

bool isCjkCharacter(char32_t c)
{
    return (c >= 0x2E80 && c <= 0x2FDF)       // radicals
           || (c >= 0x3000 && c <= 0x30FF)    // CJK punctuation, hiragana, katakana
           || (c >= 0x3400 && c <= 0x4DBF)    // extension A
           || (c >= 0x4E00 && c <= 0x9FFF)    // unified ideographs
           || (c >= 0xF900 && c <= 0xFAFF)    // compatibility ideographs
           || (c >= 0xFE30 && c <= 0xFE4F)    // compatibility forms
           || (c >= 0xFF01 && c <= 0xFF60)    // full-width forms
           || (c >= 0x20000 && c <= 0x3FFFF); // supplementary ideographs
}

QString withoutSpacesBetweenCjk(const QString& line)
{
    const QList<uint> characters = line.toUcs4();
    QList<uint> kept;
    kept.reserve(characters.size());
    for (qsizetype i = 0; i < characters.size(); ++i) {
        if (characters[i] == u' ' && !kept.isEmpty() && isCjkCharacter(kept.back())) {
            qsizetype next = i;
            while (next < characters.size() && characters[next] == u' ')
                ++next;
            if (next < characters.size() && isCjkCharacter(characters[next])) {
                i = next - 1;
                continue;
            }
        }
        kept.append(characters[i]);
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(kept.constData()), kept.size());
}

QString withSingleSpaces(const QString& line)
{
    QString result;
    result.reserve(line.size());
    bool inText = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c != u' ')
            inText = true;
        else if (inText && !result.isEmpty() && result.back() == u' ')
            continue;
        result.append(c);
    }
    return result;
}

QString withCjkPunctuation(const QString& line)
{
    static constexpr std::array<std::pair<char16_t, char16_t>, 5> fullWidth = {{
        {u',', u'\uFF0C'},
        {u':', u'\uFF1A'},
        {u';', u'\uFF1B'},
        {u'!', u'\uFF01'},
        {u'?', u'\uFF1F'},
    }};
    const QList<uint> characters = line.toUcs4();
    // The nearest character that is not a space before and after position i, 0 at either end.
    const auto neighbour = [&](qsizetype i, int step) -> uint {
        for (i += step; i >= 0 && i < characters.size(); i += step) {
            if (characters[i] != u' ')
                return characters[i];
        }
        return 0;
    };
    QList<uint> kept;
    kept.reserve(characters.size());
    for (qsizetype i = 0; i < characters.size(); ++i) {
        uint c = characters[i];
        const auto found = std::find_if(fullWidth.begin(), fullWidth.end(),
                                        [c](const auto& pair) { return pair.first == c; });
        const bool between = found != fullWidth.end() && isCjkCharacter(neighbour(i, -1)) &&
                             (isCjkCharacter(neighbour(i, 1)) || neighbour(i, 1) == 0);
        if (between) {
            // The spaces Tesseract put around it go with it.
            while (!kept.isEmpty() && kept.back() == u' ')
                kept.pop_back();
            kept.append(found->second);
            while (i + 1 < characters.size() && characters[i + 1] == u' ')
                ++i;
            continue;
        }
        kept.append(c);
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(kept.constData()), kept.size());
}
