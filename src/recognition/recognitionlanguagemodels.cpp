#include "recognitionlanguagemodels.h"

#include "recognitionlogging.h"
#include "tesseractlanguages.h"

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

RecognitionLanguageModels::Lease RecognitionLanguageModels::lease(const QString& engineLanguage)
{
    Lease lease;
    const int index = indexOf(engineLanguage);
    if (index < 0 || !m_installed[std::size_t(index)])
        return lease;
    Model& model = m_models[std::size_t(index)];
    lease.m_lock = std::unique_lock(model.mutex);
    if (!model.tried) {
        model.tried = true;
        auto engine = std::make_unique<TesseractEngine>(engineLanguage, m_dataPath, false);
        lease.m_loadMilliseconds = engine->loadMilliseconds();
        if (engine->isReady()) {
            ++m_loads[std::size_t(index)];
            model.engine = std::move(engine);
        } else {
            markUnreadable(engineLanguage, engine->initError());
        }
    }
    lease.m_engine = model.engine.get();
    return lease;
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
