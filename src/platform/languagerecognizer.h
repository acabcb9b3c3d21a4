// Identifies the language a text is written in. Pure computation: callable on any thread, never fails.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class LanguageRecognizer {
public:
    virtual ~LanguageRecognizer() = default;

    // The dominant language of `text` among `candidates` (codes such as "en", "fr", "zh-Hans",
    // "zh-Hant"), or none when the text shows none of them (no letters, say).
    virtual std::optional<QString> dominantLanguage(const QString& text,
                                                    const QStringList& candidates) const = 0;
};
