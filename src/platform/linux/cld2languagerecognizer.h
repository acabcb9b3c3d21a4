// Language identification with CLD2 (libcld2). Knows the codes "en", "fr", "it", "de", "es", "pt",
// "zh-Hans" and "zh-Hant"; other candidate codes are never answered. Thread-safe, never fails.
#pragma once

#include "languagerecognizer.h"

class Cld2LanguageRecognizer : public LanguageRecognizer {
public:
    std::optional<QString> dominantLanguage(const QString& text,
                                            const QStringList& candidates) const override;
};
