#include "automaticlanguageengine.h"

#include "languagerecognizer.h"
#include "recognitionlogging.h"
#include "tesseractlanguages.h"

#include <QElapsedTimer>

#include <utility>

namespace {

struct Language {
    const char* engineCode;
    const char* identificationCode;
};

constexpr std::array<Language, 8> languages = {{
    {"eng", "en"},
    {"fra", "fr"},
    {"ita", "it"},
    {"deu", "de"},
    {"spa", "es"},
    {"por", "pt"},
    {"chi_sim", "zh-Hans"},
    {"chi_tra", "zh-Hant"},
}};

int letterCount(const QString& text)
{
    int letters = 0;
    for (const QChar c : text)
        letters += c.isLetter();
    return letters;
}

} // namespace

RecognitionLanguageModels::RecognitionLanguageModels(QString dataPath, const QStringList& installed,
                                                     const QString& localeLanguage)
    : m_dataPath(std::move(dataPath))
    , m_localeLanguage(localeLanguage)
{
    for (std::size_t i = 0; i < languages.size(); ++i) {
        m_installed[i] = installed.contains(QLatin1String(languages[i].engineCode));
        if (!m_installed[i]) {
            m_reported[i] = true;
            qCInfo(lcRecognition).noquote()
                << QStringLiteral("No trained data for \"%1\" in %2: that language is not recognised.")
                       .arg(QLatin1String(languages[i].engineCode),
                            m_dataPath.isEmpty() ? recognitionDataPath() : m_dataPath);
        }
    }
}

std::shared_ptr<RecognitionLanguageModels> RecognitionLanguageModels::fromSystem(const QString& dataPath)
{
    return std::make_shared<RecognitionLanguageModels>(
        dataPath, installedRecognitionLanguages(dataPath),
        engineLanguageForLocale(QLocale::system()).value_or(QString()));
}

const QStringList& RecognitionLanguageModels::engineLanguages()
{
    static const QStringList codes = [] {
        QStringList list;
        for (const Language& language : languages)
            list.append(QLatin1String(language.engineCode));
        return list;
    }();
    return codes;
}

QString RecognitionLanguageModels::identificationCode(const QString& engineLanguage)
{
    const int index = indexOf(engineLanguage);
    return index < 0 ? QString() : QLatin1String(languages[std::size_t(index)].identificationCode);
}

std::optional<QString> RecognitionLanguageModels::engineLanguageOf(const QString& identificationCode)
{
    for (const Language& language : languages) {
        if (identificationCode == QLatin1String(language.identificationCode))
            return QLatin1String(language.engineCode);
    }
    return std::nullopt;
}

bool RecognitionLanguageModels::isHan(const QString& engineLanguage)
{
    return engineLanguage.startsWith(u"chi_");
}

std::optional<QString> RecognitionLanguageModels::engineLanguageForLocale(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::English:
        return QStringLiteral("eng");
    case QLocale::French:
        return QStringLiteral("fra");
    case QLocale::Italian:
        return QStringLiteral("ita");
    case QLocale::German:
        return QStringLiteral("deu");
    case QLocale::Spanish:
        return QStringLiteral("spa");
    case QLocale::Portuguese:
        return QStringLiteral("por");
    case QLocale::Chinese:
        return locale.script() == QLocale::TraditionalHanScript ? QStringLiteral("chi_tra")
                                                                : QStringLiteral("chi_sim");
    default:
        return std::nullopt;
    }
}

int RecognitionLanguageModels::indexOf(const QString& engineLanguage)
{
    for (std::size_t i = 0; i < languages.size(); ++i) {
        if (engineLanguage == QLatin1String(languages[i].engineCode))
            return int(i);
    }
    return -1;
}

void RecognitionLanguageModels::reportOnce(int index, const QString& line) const
{
    if (!m_reported[std::size_t(index)].exchange(true))
        qCWarning(lcRecognition).noquote() << line;
}

bool RecognitionLanguageModels::isAvailable(const QString& engineLanguage) const
{
    const int index = indexOf(engineLanguage);
    if (index < 0)
        return false;
    return m_installed[std::size_t(index)] && !m_unreadable[std::size_t(index)].load();
}

QStringList RecognitionLanguageModels::availableLatinLanguages() const
{
    QStringList codes;
    for (std::size_t i = 0; i < languages.size(); ++i) {
        const QString code = QLatin1String(languages[i].engineCode);
        if (!isHan(code) && m_installed[i] && !m_unreadable[i].load())
            codes.append(code);
    }
    return codes;
}

QString RecognitionLanguageModels::defaultLatinLanguage() const
{
    const QStringList latin = availableLatinLanguages();
    if (latin.contains(m_localeLanguage))
        return m_localeLanguage;
    if (latin.contains(u"eng"))
        return QStringLiteral("eng");
    return latin.value(0);
}

QString RecognitionLanguageModels::defaultHanLanguage() const
{
    for (const char* code : {"chi_sim", "chi_tra"}) {
        const int index = indexOf(QLatin1String(code));
        if (m_installed[std::size_t(index)] && !m_unreadable[std::size_t(index)].load())
            return QLatin1String(code);
    }
    return {};
}

void RecognitionLanguageModels::countLoad(const QString& engineLanguage)
{
    if (const int index = indexOf(engineLanguage); index >= 0)
        ++m_loads[std::size_t(index)];
}

void RecognitionLanguageModels::markUnreadable(const QString& engineLanguage, const QString& error)
{
    const int index = indexOf(engineLanguage);
    if (index < 0)
        return;
    m_unreadable[std::size_t(index)] = true;
    reportOnce(index, error + QStringLiteral(" That language is skipped."));
}

int RecognitionLanguageModels::loads(const QString& engineLanguage) const
{
    const int index = indexOf(engineLanguage);
    return index < 0 ? 0 : m_loads[std::size_t(index)].load();
}

int RecognitionLanguageModels::totalLoads() const
{
    int total = 0;
    for (const auto& count : m_loads)
        total += count.load();
    return total;
}

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
    engineFor(first.isEmpty() ? m_models->defaultHanLanguage() : first);
    m_pendingLoadMs = std::exchange(m_report.loadMs, 0);
}

AutomaticLanguageEngine::~AutomaticLanguageEngine() = default;

TesseractEngine* AutomaticLanguageEngine::engineFor(const QString& language)
{
    if (language.isEmpty())
        return nullptr;
    if (const auto found = m_engines.find(language); found != m_engines.end())
        return found->second.get();
    if (!m_models->isAvailable(language))
        return nullptr;
    auto engine = std::make_unique<TesseractEngine>(language, m_models->dataPath(), false);
    m_report.loadMs += engine->loadMilliseconds();
    if (!engine->isReady()) {
        m_models->markUnreadable(language, engine->initError());
        return nullptr;
    }
    m_models->countLoad(language);
    return m_engines.emplace(language, std::move(engine)).first->second.get();
}

std::optional<Reading> AutomaticLanguageEngine::readWith(const QString& language,
                                                         const ImagePreparation::PreparedImage& prepared)
{
    TesseractEngine* engine = engineFor(language);
    if (!engine)
        return std::nullopt;
    std::optional<Reading> reading = engine->read(prepared);
    if (reading) {
        ++m_report.readings;
        m_report.recognizeMs += reading->milliseconds;
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
        else if (const auto found = m_engines.find(language); found == m_engines.end())
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
            // Simplified or Traditional: the variant whose model is surer of its reading, the one the
            // language identification sees in the characters read winning a near tie. (A Simplified
            // model reads many Traditional characters as their Simplified forms, so the first reading
            // alone cannot tell.)
            const QString other =
                language == u"chi_sim" ? QStringLiteral("chi_tra") : QStringLiteral("chi_sim");
            const QStringList variants = {QStringLiteral("zh-Hans"), QStringLiteral("zh-Hant")};
            const std::optional<QString> identified = identify(*best, variants);
            if (m_models->isAvailable(other)) {
                if (auto reading = readWith(other, prepared);
                    reading &&
                    (identified == other ? reading->confidence >= best->confidence - rereadTolerance
                                         : reading->confidence > best->confidence)) {
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
