#include "recognitionlanguages.h"

#include <QLocale>

#include <array>
#include <utility>

namespace RecognitionLanguages {

namespace {

struct LanguagePair {
    const char* localeCode;
    const char* engineCode;
};

constexpr std::array<LanguagePair, 8> languages = {{
    {"en-US", "eng"},
    {"fr-FR", "fra"},
    {"it-IT", "ita"},
    {"de-DE", "deu"},
    {"es-ES", "spa"},
    {"pt-BR", "por"},
    {"zh-Hans", "chi_sim"},
    {"zh-Hant", "chi_tra"},
}};

QString trimSpacesAndTabs(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// The locale's name of a Chinese script variant taken as a locale identifier.
std::optional<QString> chineseLocaleDisplayName(const QString& code)
{
    const QString language = QLocale::languageToString(QLocale::Chinese);
    if (code == u"zh-Hans")
        return language + QStringLiteral(", Simplified");
    if (code == u"zh-Hant")
        return language + QStringLiteral(", Traditional");
    return std::nullopt;
}

} // namespace

QStringList fallbackLanguageCodes()
{
    QStringList codes;
    for (const LanguagePair& pair : languages)
        codes.append(QString::fromLatin1(pair.localeCode));
    return codes;
}

std::optional<QString> localeCodeForEngineLanguage(const QString& engineCode)
{
    for (const LanguagePair& pair : languages) {
        if (engineCode == QLatin1String(pair.engineCode))
            return QString::fromLatin1(pair.localeCode);
    }
    return std::nullopt;
}

QStringList supportedLanguageCodes(const QStringList& installedEngineCodes)
{
    QStringList codes;
    for (const LanguagePair& pair : languages) {
        if (installedEngineCodes.contains(QLatin1String(pair.engineCode)))
            codes.append(QString::fromLatin1(pair.localeCode));
    }
    return codes.isEmpty() ? fallbackLanguageCodes() : codes;
}

QStringList supportedLanguageNames(const QStringList& installedEngineCodes)
{
    QStringList names;
    for (const QString& code : supportedLanguageCodes(installedEngineCodes)) {
        if (auto name = languageDisplayName(code))
            names.append(*name);
    }
    return names;
}

QString rewriteChineseDisplayName(const QString& name)
{
    if (!name.contains(u','))
        return name;
    QStringList pieces;
    for (const QString& piece : name.split(u',', Qt::SkipEmptyParts))
        pieces.append(trimSpacesAndTabs(piece));
    if (pieces.size() != 2)
        return name;
    return pieces.at(0) + QStringLiteral(" (") + pieces.at(1) + u')';
}

std::optional<QString> languageDisplayName(const QString& code)
{
    if (code == u"zh-Hans" || code == u"zh-Hant") {
        const auto name = chineseLocaleDisplayName(code);
        if (!name)
            return std::nullopt;
        return rewriteChineseDisplayName(*name);
    }
    const QLocale locale(code);
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return std::nullopt;
    const QString name = QLocale::languageToString(locale.language());
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

} // namespace RecognitionLanguages
