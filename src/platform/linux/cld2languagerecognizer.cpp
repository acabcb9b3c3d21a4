#include "cld2languagerecognizer.h"

#include <cld2/public/compact_lang_det.h>
#include <cld2/public/encodings.h>

#include <array>

namespace {

struct KnownLanguage {
    CLD2::Language language;
    const char* code;
};

constexpr std::array<KnownLanguage, 8> knownLanguages = {{
    {CLD2::ENGLISH, "en"},
    {CLD2::FRENCH, "fr"},
    {CLD2::ITALIAN, "it"},
    {CLD2::GERMAN, "de"},
    {CLD2::SPANISH, "es"},
    {CLD2::PORTUGUESE, "pt"},
    {CLD2::CHINESE, "zh-Hans"},
    {CLD2::CHINESE_T, "zh-Hant"},
}};

std::optional<QString> codeFor(CLD2::Language language)
{
    for (const KnownLanguage& known : knownLanguages) {
        if (known.language == language)
            return QString::fromLatin1(known.code);
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> Cld2LanguageRecognizer::dominantLanguage(const QString& text,
                                                                const QStringList& candidates) const
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.isEmpty())
        return std::nullopt;

    const CLD2::CLDHints hints = {nullptr, nullptr, CLD2::UNKNOWN_ENCODING, CLD2::UNKNOWN_LANGUAGE};
    CLD2::Language language3[3] = {CLD2::UNKNOWN_LANGUAGE, CLD2::UNKNOWN_LANGUAGE, CLD2::UNKNOWN_LANGUAGE};
    int percent3[3] = {};
    double normalizedScore3[3] = {};
    int textBytes = 0;
    bool isReliable = false;
    int validPrefixBytes = 0;
    CLD2::ExtDetectLanguageSummaryCheckUTF8(utf8.constData(), int(utf8.size()), true, &hints, 0, language3,
                                            percent3, normalizedScore3, nullptr, &textBytes, &isReliable,
                                            &validPrefixBytes);
    if (textBytes == 0)
        return std::nullopt;

    // The top three come best first; the first that is a candidate wins, so a text in another
    // language is read by the nearest candidate CLD2 saw in it.
    for (int i = 0; i < 3; ++i) {
        if (percent3[i] <= 0)
            continue;
        if (const std::optional<QString> code = codeFor(language3[i]); code && candidates.contains(*code))
            return code;
    }
    return std::nullopt;
}
