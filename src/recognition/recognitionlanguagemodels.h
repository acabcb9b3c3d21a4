// The eight recognition languages of this system, what of them is installed, and their warm models.
#pragma once

#include "tesseractengine.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

// The recognition languages this system can read and their models, one per language for the whole
// process, shared by the engines of every worker: the installed trained data, the data that turned out
// unreadable, the default language, the loaded models and how often each was loaded. A language that is
// missing (when this is made) or unreadable (when its model is first loaded) is reported once in the log.
// Besides the engine pool, the leases below hold the only locks of the application: a model reads one
// image at a time.
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

    // A language's model, leased for one reading by the worker that holds it; another worker asking for
    // the same language waits until it is given back. The first lease loads the model (on its worker) and
    // the model stays loaded while this lives. No engine when the language is not available or its model
    // cannot be loaded (the language is then marked unreadable and never tried again).
    class Lease {
    public:
        TesseractEngine* engine() const { return m_engine; }
        explicit operator bool() const { return m_engine != nullptr; }
        // How long this lease spent loading the model: 0 when it was warm.
        qint64 loadMilliseconds() const { return m_loadMilliseconds; }

    private:
        friend class RecognitionLanguageModels;
        std::unique_lock<std::mutex> m_lock;
        TesseractEngine* m_engine = nullptr;
        qint64 m_loadMilliseconds = 0;
    };
    Lease lease(const QString& engineLanguage);

    void markUnreadable(const QString& engineLanguage, const QString& error);
    // How many times the model of a language was loaded (at most once).
    int loads(const QString& engineLanguage) const;
    int totalLoads() const;

    // The language's place among engineLanguages(); -1 for another code.
    static int indexOf(const QString& engineLanguage);

private:
    struct Model {
        std::mutex mutex;
        std::unique_ptr<TesseractEngine> engine; // set once loaded
        bool tried = false;
    };

    void reportOnce(int index, const QString& line) const;

    QString m_dataPath;
    std::array<bool, 8> m_installed{};
    QString m_localeLanguage;
    std::array<std::atomic<bool>, 8> m_unreadable{};
    mutable std::array<std::atomic<bool>, 8> m_reported{};
    std::array<std::atomic<int>, 8> m_loads{};
    std::array<Model, 8> m_models;
};
