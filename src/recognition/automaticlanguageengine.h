// Recognition that picks the language of each crop by itself among the installed trained data of the
// eight recognition languages: a first reading in the default Latin language; Han script when that
// reading is unsure and a Chinese model is surer; then the language of the text read (language
// identification over the first reading), read again only when it is another one. Each language's
// model is loaded the first time it is needed and kept warm for the next crops.
#pragma once

#include "tesseractengine.h"
#include "textrecognitionengine.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <optional>

class LanguageRecognizer;

// The recognition languages this system can read, shared by the engines of every worker (lock-free):
// the installed trained data, the data that turned out unreadable, the default language, and how many
// models were loaded. A language that is missing (when this is made) or unreadable (when its model is
// first loaded) is reported once in the log.
class RecognitionLanguageModels {
public:
    // installed: trained-data codes ("eng", "chi_sim", ...); localeLanguage: the engine code of the
    // system's language, if it is one of ours (see engineLanguageForLocale).
    RecognitionLanguageModels(QString dataPath, const QStringList& installed, const QString& localeLanguage);
    // The installed data of Tesseract's data folder and the system locale's language.
    static std::shared_ptr<RecognitionLanguageModels> fromSystem(const QString& dataPath = {});

    // The eight languages, in their engine codes, and their language-identification codes.
    static const QStringList& engineLanguages();
    static QString identificationCode(const QString& engineLanguage);
    static std::optional<QString> engineLanguageOf(const QString& identificationCode);
    static bool isHan(const QString& engineLanguage);
    // "fra" for a French locale, "chi_tra" for zh_TW; none for a language that is not one of ours.
    static std::optional<QString> engineLanguageForLocale(const QLocale& locale);

    QString dataPath() const { return m_dataPath; }
    // Installed and not found unreadable.
    bool isAvailable(const QString& engineLanguage) const;
    // The language of the first reading: the locale's when it is a Latin one installed, else English,
    // else any installed Latin language; empty when none is.
    QString defaultLatinLanguage() const;
    // The available Chinese language the first look at Han text uses: Simplified, else Traditional.
    QString defaultHanLanguage() const;
    QStringList availableLatinLanguages() const;

    // Called by engines: the model of a language was loaded, or could not be.
    void countLoad(const QString& engineLanguage);
    void markUnreadable(const QString& engineLanguage, const QString& error);
    int loads(const QString& engineLanguage) const;
    int totalLoads() const;

private:
    static int indexOf(const QString& engineLanguage);
    void reportOnce(int index, const QString& line) const;

    QString m_dataPath;
    std::array<bool, 8> m_installed{};
    QString m_localeLanguage;
    std::array<std::atomic<bool>, 8> m_unreadable{};
    mutable std::array<std::atomic<bool>, 8> m_reported{};
    std::array<std::atomic<int>, 8> m_loads{};
};

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

private:
    TesseractEngine* engineFor(const QString& language);
    std::optional<Reading> readWith(const QString& language, const ImagePreparation::PreparedImage& prepared);
    std::optional<QString> identify(const Reading& reading, const QStringList& candidates) const;

    std::shared_ptr<RecognitionLanguageModels> m_models;
    std::shared_ptr<const LanguageRecognizer> m_recognizer;
    QString m_fixedLanguage;
    std::shared_ptr<const RecognitionLanguageChoice> m_choice;
    std::map<QString, std::unique_ptr<TesseractEngine>> m_engines; // only the ones that loaded
    Report m_report;
    qint64 m_pendingLoadMs = 0; // loaded by the constructor, counted for the first crop
};
