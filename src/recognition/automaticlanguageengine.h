// Recognition that picks the language of each crop by itself among the installed trained data of the
// eight recognition languages: a first reading in the default Latin language; Han script when that
// reading is unsure and a Chinese model is surer; then the language of the text read (language
// identification over the first reading), read again only when it is another one. Each language's
// model is loaded the first time any worker needs it and kept warm for every worker's next crops.
#pragma once

#include "recognitionlanguagemodels.h"
#include "tesseractengine.h"
#include "textrecognitionengine.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <memory>
#include <optional>

class LanguageRecognizer;

// The language the user chose for every crop: set on the main thread, read by every worker at the start
// of each crop (lock-free). Empty, or a language that is not one of ours, is the automatic choice.
class RecognitionLanguageChoice {
public:
    void set(const QString& engineLanguage);
    QString current() const;

private:
    std::atomic<int> m_index{-1};
};

class AutomaticLanguageEngine final : public TextRecognitionEngine {
public:
    // recognizer: language identification for Latin text and the Chinese variant; without one, Latin
    // text stays in the default language. fixedLanguage: read every crop in that language only.
    AutomaticLanguageEngine(std::shared_ptr<RecognitionLanguageModels> models,
                            std::shared_ptr<const LanguageRecognizer> recognizer, QString fixedLanguage = {},
                            std::shared_ptr<const RecognitionLanguageChoice> choice = {});
    ~AutomaticLanguageEngine() override;

    RecognitionOutcome perform(const QImage& image) override;

    // What the last perform() did.
    struct Report {
        QString language;  // the language whose reading was kept; empty when nothing was read
        int readings = 0;  // how many models read the crop
        qint64 loadMs = 0; // loading models the crop needed first
        qint64 prepareMs = 0;
        qint64 recognizeMs = 0;
    };
    const Report& lastReport() const { return m_report; }

    // A reading is held for Han script when its confidence is below this.
    static constexpr double unsureLatinConfidence = 55;
    // Identification of a Latin language is trusted from this many letters on.
    static constexpr int minimumIdentifiedLetters = 12;
    // Another language's reading is kept unless it is this much less sure than the first one.
    static constexpr double rereadTolerance = 3;
    // The other Chinese variant's reading is kept when it is this much surer than the first one.
    static constexpr double variantMargin = 3;

private:
    // Loads the model of a language now if it is not warm yet, counting the time for the next crop.
    void warm(const QString& language);
    std::optional<Reading> readWith(const QString& language, const ImagePreparation::PreparedImage& prepared);
    std::optional<QString> identify(const Reading& reading, const QStringList& candidates) const;

    std::shared_ptr<RecognitionLanguageModels> m_models;
    std::shared_ptr<const LanguageRecognizer> m_recognizer;
    QString m_fixedLanguage;
    std::shared_ptr<const RecognitionLanguageChoice> m_choice;
    Report m_report;
    qint64 m_pendingLoadMs = 0; // loaded by the constructor, counted for the first crop
};
