// The recognition languages by display name, for the welcome window, and the mapping between the
// OCR engine's language codes and locale codes. Pure functions; any thread.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace RecognitionLanguages {

// Locale codes used when the installed languages cannot be listed, in this order.
QStringList fallbackLanguageCodes();

// The locale code of an OCR trained-data code ("eng" -> "en-US"); none for data that is no language
// of ours.
std::optional<QString> localeCodeForEngineLanguage(const QString& engineCode);

// The locale codes of the installed languages in the order of the fallback list; the fallback list
// itself when none of ours is installed or none could be listed.
QStringList supportedLanguageCodes(const QStringList& installedEngineCodes);

// The display names of the supported languages; codes without a name are dropped.
QStringList supportedLanguageNames(const QStringList& installedEngineCodes);

// The display name of one language code in the current locale, or none. "zh-Hans" and "zh-Hant" take
// the locale's name of the code as a locale identifier, rewritten by `rewriteChineseDisplayName`.
std::optional<QString> languageDisplayName(const QString& code);

// "Chinese, Simplified" -> "Chinese (Simplified)": exactly two comma-separated pieces (empty ones
// dropped, spaces and tabs trimmed) become "first (second)"; any other name stays as it is.
QString rewriteChineseDisplayName(const QString& name);

} // namespace RecognitionLanguages
