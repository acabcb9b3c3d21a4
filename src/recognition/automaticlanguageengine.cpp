#include "automaticlanguageengine.h"

#include "languagerecognizer.h"
#include "recognitionlogging.h"
#include "tesseractlanguages.h"

#include <QElapsedTimer>

#include <utility>

namespace {

int letterCount(const QString& text)
{
    int letters = 0;
    for (const QChar c : text)
        letters += c.isLetter();
    return letters;
}

} // namespace

AutomaticLanguageEngine::AutomaticLanguageEngine(std::shared_ptr<RecognitionLanguageModels> models,
                                                 std::shared_ptr<const LanguageRecognizer> recognizer,
                                                 QString fixedLanguage,
                                                 std::shared_ptr<const RecognitionLanguageChoice> choice)
    : m_models(std::move(models))
    , m_recognizer(std::move(recognizer))
    , m_fixedLanguage(std::move(fixedLanguage))
    , m_choice(std::move(choice))
{
    // Made on the worker that will use it (the pool's warm-up included): the first crop finds the
    // model of its first reading loaded.
    const QString first = m_fixedLanguage.isEmpty() ? m_models->defaultLatinLanguage() : m_fixedLanguage;
    warm(first.isEmpty() ? m_models->defaultHanLanguage() : first);
    m_pendingLoadMs = std::exchange(m_report.loadMs, 0);
}

AutomaticLanguageEngine::~AutomaticLanguageEngine() = default;

void AutomaticLanguageEngine::warm(const QString& language)
{
    if (language.isEmpty())
        return;
    m_report.loadMs += m_models->lease(language).loadMilliseconds();
}

std::optional<Reading> AutomaticLanguageEngine::readWith(const QString& language,
                                                         const ImagePreparation::PreparedImage& prepared)
{
    const RecognitionLanguageModels::Lease lease = m_models->lease(language);
    m_report.loadMs += lease.loadMilliseconds();
    if (!lease)
        return std::nullopt;
    std::optional<Reading> reading = lease.engine()->read(prepared);
    if (reading) {
        ++m_report.readings;
        m_report.recognizeMs += reading->milliseconds;
        qCDebug(lcRecognition).noquote() << QStringLiteral("Reading in %1: confidence %2, %3 ms")
                                                .arg(language)
                                                .arg(reading->confidence, 0, 'f', 1)
                                                .arg(reading->milliseconds);
    }
    return reading;
}

std::optional<QString> AutomaticLanguageEngine::identify(const Reading& reading,
                                                         const QStringList& candidates) const
{
    if (!m_recognizer || candidates.isEmpty())
        return std::nullopt;
    const QString text = reading.text();
    const std::optional<QString> code = m_recognizer->dominantLanguage(text, candidates);
    return code ? RecognitionLanguageModels::engineLanguageOf(*code) : std::nullopt;
}

RecognitionOutcome AutomaticLanguageEngine::perform(const QImage& image)
{
    // Loading done before the first crop counts for it.
    m_report = Report();
    m_report.loadMs = std::exchange(m_pendingLoadMs, 0);
    RecognitionOutcome outcome;
    QElapsedTimer timer;
    timer.start();
    const ImagePreparation::PreparedImage prepared = ImagePreparation::prepare(image);
    m_report.prepareMs = timer.elapsed();
    // The user's choice is read once per crop, so a change applies from the next one.
    const QString fixedLanguage =
        !m_fixedLanguage.isEmpty() ? m_fixedLanguage : (m_choice ? m_choice->current() : QString());

    QString language = fixedLanguage;
    if (language.isEmpty()) {
        language = m_models->defaultLatinLanguage();
        if (language.isEmpty())
            language = m_models->defaultHanLanguage();
    }
    std::optional<Reading> best = readWith(language, prepared);
    if (!best) {
        if (fixedLanguage.isEmpty() && language.isEmpty())
            outcome.error = QStringLiteral("No trained data of a recognition language could be loaded.");
        else if (!m_models->isAvailable(language))
            outcome.error =
                QStringLiteral("The trained data for the language \"%1\" could not be loaded.").arg(language);
        else
            outcome.error = QStringLiteral("Tesseract could not read the image.");
        return outcome;
    }

    if (fixedLanguage.isEmpty() && !best->isEmpty()) {
        // Han text read as Latin comes out as unsure junk; a Chinese model reads Han and Latin alike.
        if (!RecognitionLanguageModels::isHan(language) && best->confidence < unsureLatinConfidence) {
            const QString han = m_models->defaultHanLanguage();
            if (auto reading = readWith(han, prepared); reading && reading->confidence > best->confidence) {
                best = std::move(reading);
                language = han;
            }
        }
        if (RecognitionLanguageModels::isHan(language)) {
            // Simplified or Traditional: the variant whose model is clearly surer of its reading, the
            // one read first (Simplified, the more common) keeping a near tie unless the language
            // identification sees the other in the characters read. (Either model reads many of the
            // other's characters as its own forms, so the first reading alone cannot tell.)
            const QString other =
                language == u"chi_sim" ? QStringLiteral("chi_tra") : QStringLiteral("chi_sim");
            const QStringList variants = {QStringLiteral("zh-Hans"), QStringLiteral("zh-Hant")};
            const std::optional<QString> identified = identify(*best, variants);
            if (m_models->isAvailable(other)) {
                if (auto reading = readWith(other, prepared);
                    reading &&
                    (identified == other ? reading->confidence >= best->confidence
                                         : reading->confidence > best->confidence + variantMargin)) {
                    best = std::move(reading);
                    language = other;
                }
            }
        } else if (letterCount(best->text()) >= minimumIdentifiedLetters) {
            QStringList candidates;
            for (const QString& code : m_models->availableLatinLanguages())
                candidates.append(RecognitionLanguageModels::identificationCode(code));
            if (const auto identified = identify(*best, candidates); identified && *identified != language) {
                if (auto reading = readWith(*identified, prepared);
                    reading && reading->confidence >= best->confidence - rereadTolerance) {
                    best = std::move(reading);
                    language = *identified;
                }
            }
        }
    }

    QList<TextObservation> observations;
    for (const QString& text : best->lines) {
        TextObservation observation;
        if (!text.trimmed().isEmpty())
            observation.topCandidates = {text};
        observations.append(observation);
    }
    m_report.language = best->isEmpty() ? QString() : language;
    qCDebug(lcRecognition).noquote()
        << QStringLiteral("Crop %1x%2 read in %3 (%4 readings): load %5 ms, preparation %6 ms, "
                          "recognition %7 ms")
               .arg(image.width())
               .arg(image.height())
               .arg(m_report.language.isEmpty() ? QStringLiteral("-") : m_report.language)
               .arg(m_report.readings)
               .arg(m_report.loadMs)
               .arg(m_report.prepareMs)
               .arg(m_report.recognizeMs);
    outcome.results = observations;
    return outcome;
}

void RecognitionLanguageChoice::set(const QString& engineLanguage)
{
    m_index.store(int(RecognitionLanguageModels::engineLanguages().indexOf(engineLanguage)));
}

QString RecognitionLanguageChoice::current() const
{
    const int index = m_index.load();
    const QStringList& languages = RecognitionLanguageModels::engineLanguages();
    return index >= 0 && index < languages.size() ? languages.at(index) : QString();
}
