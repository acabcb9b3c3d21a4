// A language recognizer for unit tests: answers `answer` and records the questions it was asked.
#pragma once

#include "languagerecognizer.h"

#include <QList>

class FakeLanguageRecognizer : public LanguageRecognizer {
public:
    struct Question {
        QString text;
        QStringList candidates;
    };

    std::optional<QString> answer;
    mutable QList<Question> questions;

    std::optional<QString> dominantLanguage(const QString& text, const QStringList& candidates) const override
    {
        questions.append({text, candidates});
        return answer;
    }
};
